// Compiled once per executable, against that executable's generated header.
#include "app/win32/singletons.h"
#include "vellam_build_config.h"

ProductConstants BuiltInProductConstants() {
  ProductConstants constants;
  constants.wizardName = VELLAM_WIZARD_NAME;
  constants.productTitle = VELLAM_PRODUCT_TITLE;
  constants.productId = VELLAM_PRODUCT_ID;
  constants.publisher = VELLAM_PUBLISHER;
  constants.stubId = VELLAM_STUB_ID;
  constants.installerObjectPath = VELLAM_INSTALLER_OBJECT_PATH;
  constants.productExePath = VELLAM_PRODUCT_EXE_PATH;
  constants.mainInstallArgs = VELLAM_MAIN_INSTALL_ARGS;
  constants.configHost = VELLAM_CONFIG_HOST;
  constants.rolloutHost = VELLAM_ROLLOUT_HOST;
  constants.webHost = VELLAM_WEB_HOST;
  return constants;
}
