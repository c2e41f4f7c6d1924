// The built-in product constants every native test starts from: the shipped
// product's identity with hosts no test can reach. A test that needs another
// value changes that one field of the copy it gets.
#pragma once

#include <string>

#include "config/product_constants.h"

inline ProductConstants TestConstants(const std::wstring& wizard = L"ISV") {
  ProductConstants c;
  c.wizardName = wizard;
  c.productTitle = L"Pellio Classic";
  c.productId = L"PellioClassic";
  c.publisher = L"Varnex";
  c.stubId = L"PellioClassic_VLM";
  c.installerObjectPath = L"Varnex/PellioClassic/2025-01-29/Pellio_.exe";
  c.productExePath = L"{commonappdata}\\Pellio\\Pellio.exe";
  c.mainInstallArgs = L"/S";
  c.configHost = L"cdn.test";
  c.rolloutHost = L"rollout.test";
  c.webHost = L"www.test";
  return c;
}
