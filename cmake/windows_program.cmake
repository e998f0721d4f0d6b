# The Windows program's resources (windres) and its release file.
#   swaymo_program_data      every file of dat/ as RCDATA named after its path
#                            ("dat/Dialog Graphic.bmp" -> DAT_DIALOG_GRAPHIC_BMP)
#                            and every res/<id>.bmp as BITMAP <id>; the program
#                            reads them when no file lies beside it
#                            (platform/fs/built_in_data_win32.cpp)
#   swaymo_program_identity  the icon 990 (made from res/990.png) and the
#                            version information
# Both are object libraries: a program that links them carries the resources.
#   swaymo-release           the stripped program under its release name
#                            (Swaymo_Setup_2_204.exe) and its SHA-256 in
#                            sha256sum's format, in the top of the build folder
enable_language(RC)
find_program(SWAYMO_CONVERT convert REQUIRED)

set(resource_dir ${PROJECT_BINARY_DIR}/resources)
file(MAKE_DIRECTORY ${resource_dir})

file(GLOB data_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/dat/*)
file(GLOB bitmap_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*.bmp)
set(lines "")
foreach(file IN LISTS data_files)
  file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${file})
  string(TOUPPER "${relative}" name)
  string(REGEX REPLACE "[^A-Z0-9]" "_" name "${name}")
  string(APPEND lines "${name} RCDATA \"${file}\"\n")
endforeach()
foreach(file IN LISTS bitmap_files)
  get_filename_component(id ${file} NAME_WE)
  if(id MATCHES "^[0-9]+$")
    string(APPEND lines "${id} BITMAP \"${file}\"\n")
  endif()
endforeach()
set(data_rc ${resource_dir}/program_data.rc)
file(CONFIGURE OUTPUT ${data_rc} CONTENT "${lines}")
set_source_files_properties(${data_rc} PROPERTIES OBJECT_DEPENDS "${data_files};${bitmap_files}")
add_library(swaymo_program_data OBJECT ${data_rc})

# The version as the settings document's version check reads it from the
# program's name (Swaymo_Setup_2_204.exe): project version 2.0.4 is 2.204.
set(SWAYMO_RELEASE_NUMBER
    "${PROJECT_VERSION_MAJOR}${PROJECT_VERSION_MINOR}${PROJECT_VERSION_PATCH}")
set(SWAYMO_RELEASE_NAME "Swaymo_Setup_${PROJECT_VERSION_MAJOR}_${SWAYMO_RELEASE_NUMBER}.exe")
set(icon ${resource_dir}/990.ico)
add_custom_command(OUTPUT ${icon}
  COMMAND ${SWAYMO_CONVERT} ${PROJECT_SOURCE_DIR}/res/990.png -define icon:auto-resize=48,32,16
          ${icon}
  DEPENDS ${PROJECT_SOURCE_DIR}/res/990.png
  COMMENT "Icon 990 from res/990.png")
set(identity_rc ${resource_dir}/swaymo-setup.rc)
configure_file(${PROJECT_SOURCE_DIR}/app/swaymo-setup.rc.in ${identity_rc} @ONLY)
set_source_files_properties(${identity_rc} PROPERTIES OBJECT_DEPENDS ${icon})
add_library(swaymo_program_identity OBJECT ${identity_rc} ${icon})

if(TARGET swaymo-setup)
  target_link_libraries(swaymo-setup PRIVATE swaymo_program_data swaymo_program_identity)
  set(release ${PROJECT_BINARY_DIR}/${SWAYMO_RELEASE_NAME})
  add_custom_command(OUTPUT ${release} ${release}.sha256
    COMMAND ${CMAKE_STRIP} --strip-all -o ${release} $<TARGET_FILE:swaymo-setup>
    COMMAND sh -c "sha256sum ${SWAYMO_RELEASE_NAME} >${SWAYMO_RELEASE_NAME}.sha256"
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    DEPENDS swaymo-setup
    COMMENT "${SWAYMO_RELEASE_NAME}, stripped, and its SHA-256"
    VERBATIM)
  add_custom_target(swaymo-release DEPENDS ${release} ${release}.sha256)
endif()
