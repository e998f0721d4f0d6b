#!/usr/bin/env bash
# The demo's settings document, written by the publisher's command for the
# demo packages in WWW/packages as they will be served from http://HOST/.
#   publish_settings.sh TOOL WWW HOST
set -euo pipefail
tool=$1 www=$2 host=$3
packages=()
for option_and_file in ml:EBOOT_ML go-ml:EBOOT_GO_ML jp:EBOOT_JP go-jp:EBOOT_GO_JP; do
  file=${option_and_file#*:}.PBP
  packages+=("--${option_and_file%%:*}" "$www/packages/$file" "http://$host/packages/$file")
done
"$tool" --current-version Swaymo_Setup_2_204.exe --support-url "http://$host/support.html" \
  "${packages[@]}" --output "$www/swaymo_settings.asp"
