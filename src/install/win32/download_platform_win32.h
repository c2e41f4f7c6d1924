// The real Windows services a DownloadManager works through.
#pragma once

#include "install/download_platform.h"

DownloadPlatform Win32DownloadPlatform();
