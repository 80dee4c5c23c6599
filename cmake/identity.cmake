# The maker's name, the version text and the web page address that the settings dialog
# shows. Set them here, or on the command line: cmake -DVESKAR_WEB_ADDRESS=https://...
set(VESKAR_MAKER_NAME "Veskar Project" CACHE STRING "Maker's name in the settings dialog's credit line")
set(VESKAR_VERSION_TEXT "Ver.${PROJECT_VERSION}" CACHE STRING "Version text in the credit line")
set(VESKAR_WEB_ADDRESS "https://veskar.example.org/" CACHE STRING "The maker's web page, opened from the settings dialog")
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/dialog/identity.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  "VESKAR_MAKER_NAME=\"${VESKAR_MAKER_NAME}\""
  "VESKAR_VERSION_TEXT=\"${VESKAR_VERSION_TEXT}\""
  "VESKAR_WEB_ADDRESS=\"${VESKAR_WEB_ADDRESS}\"")
