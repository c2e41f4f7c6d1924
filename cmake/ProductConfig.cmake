# Build-time product configuration. Every value ends up in one generated
# header (vellam_build_config.h); nothing here is repeated in the sources.
set(VELLAM_WIZARD "ISV" CACHE STRING "Wizard of the shipped installer: ISV or DLM")
set(VELLAM_PRODUCT_TITLE "Pellio Classic" CACHE STRING "Product title (ISV)")
set(VELLAM_PRODUCT_ID "PellioClassic" CACHE STRING "Product identifier")
set(VELLAM_PUBLISHER "Varnex" CACHE STRING "Publisher account")
set(VELLAM_STUB_ID "PellioClassic_VLM" CACHE STRING "Installer flavour")
set(VELLAM_INSTALLER_OBJECT_PATH "Varnex/PellioClassic/2025-01-29/Pellio_.exe" CACHE STRING
    "Object path of the main installer on the file host (ISV)")
set(VELLAM_PRODUCT_EXE_PATH "{commonappdata}\\Pellio\\Pellio.exe" CACHE STRING
    "Installed product executable, with a path macro (ISV)")
set(VELLAM_MAIN_INSTALL_ARGS "/S" CACHE STRING "Arguments of the main installer (ISV)")
# Hosts may carry a port ("localhost:8080"). Shipped defaults stay under the
# reserved .example domain until the real hosts are known.
set(VELLAM_CONFIG_HOST "config.vellam.example" CACHE STRING "Configuration CDN host (/o, /zbd, /f/)")
set(VELLAM_ROLLOUT_HOST "rollout.vellam.example" CACHE STRING
    "Rollout-tracking host (main product source, fetched over HTTPS)")
set(VELLAM_WEB_HOST "www.pellio.example" CACHE STRING "Maker's web host (privacy policy, terms of use)")
set(VELLAM_VERSION "${PROJECT_VERSION}" CACHE STRING "Program version a.b.c.d (version resource)")

string(REPLACE "." ";" _version_parts "${VELLAM_VERSION}")
list(LENGTH _version_parts _version_count)
if(NOT _version_count EQUAL 4)
  message(FATAL_ERROR "VELLAM_VERSION must be a.b.c.d, got ${VELLAM_VERSION}")
endif()
list(GET _version_parts 0 VELLAM_VERSION_A)
list(GET _version_parts 1 VELLAM_VERSION_B)
list(GET _version_parts 2 VELLAM_VERSION_C)
list(GET _version_parts 3 VELLAM_VERSION_D)

# Writes <out_dir>/vellam_build_config.h for one wizard name.
function(vellam_generate_build_config wizard out_dir)
  set(VELLAM_WIZARD_NAME "${wizard}")
  string(REPLACE "\\" "\\\\" VELLAM_PRODUCT_EXE_PATH_C "${VELLAM_PRODUCT_EXE_PATH}")
  configure_file(${PROJECT_SOURCE_DIR}/src/config/vellam_build_config.h.in
                 ${out_dir}/vellam_build_config.h @ONLY)
endfunction()
