#!/bin/sh
# Fails when an #include points against the layers: app -> online, device, ui
# -> util -> platform; inside platform, core under the rest and window above gfx.
# Usage: include_layers.sh SOURCE_DIR
cd "${1:-.}" || exit 2
status=0
# forbid FOLDER PREFIXES: FOLDER's files include nothing that starts with one of PREFIXES.
forbid() {
  hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($2)/" "$1" --include='*.h' --include='*.cpp' --include='*.c')
  [ -z "$hits" ] && return
  echo "$1 may not include $2:"; echo "$hits"; status=1
}
forbid app 'tests|bench|tools'
forbid online 'app|device|ui|tests|bench|tools'
forbid device 'app|online|ui|tests|bench|tools'
forbid ui 'app|online|device|tests|bench|tools'
forbid util 'app|online|device|ui|tests|bench|tools'
forbid platform 'app|online|device|ui|util|tests|bench|tools'
others=$(cd platform && ls -d */ | tr -d / | grep -vx core | paste -sd'|')
forbid platform/core "platform/($others)"
forbid platform/gfx 'platform/window'
exit $status
