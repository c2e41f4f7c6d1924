// Process-wide getters, used only at the edges (window code and start-up);
// logic gets what it needs passed in.
#pragma once

#include <memory>

#include "config/configuration_manager.h"
#include "config/product_constants.h"

// Created on first use (thread-safe) with the built-in product constants and
// the real Windows platform; each call hands out a new shared reference.
std::shared_ptr<ConfigurationManager> GetConfigurationManager();

// The constants this executable was built with (one per executable target).
ProductConstants BuiltInProductConstants();
