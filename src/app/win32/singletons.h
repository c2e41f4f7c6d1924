// Process-wide getters, used only at the edges (window code and start-up);
// logic gets what it needs passed in.
#pragma once

#include <memory>

#include "config/api_manager.h"
#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "config/product_constants.h"
#include "install/download_manager.h"

// Created on first use (thread-safe) with the built-in product constants and
// the real Windows platform; each call hands out a new shared reference.
std::shared_ptr<ConfigurationManager> GetConfigurationManager();

// The configuration request over the real WinHTTP; same creation rules.
std::shared_ptr<ApiManager> GetApiManager();

// The download manager over the real Windows services and the settings
// above; same creation rules.
std::shared_ptr<DownloadManager> GetDownloadManager();

// The JSON-over-HTTPS client on the real WinHTTP (stateless, shared by every
// thread).
JsonSender& GetJsonSender();

// The constants this executable was built with (one per executable target).
ProductConstants BuiltInProductConstants();
