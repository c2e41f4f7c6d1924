// Which check box of the two install-options pages is stored at which index
// of the settings' optionChecks (the ISV download page turns those eight
// states into the main installer's option digits).
#pragma once

#include <array>
#include <cstddef>

struct OptionBox {
  int controlId;
  std::size_t index;  // into ConfigurationManager::optionChecks
};

// Shortcuts page: Start Menu, Quick Launch, desktop.
extern const std::array<OptionBox, 3> kOptionsPageBoxes;
// System-integration page: firewall (the box without text), start with
// Windows, and the three default-handler choices.
extern const std::array<OptionBox, 5> kConfigurationsPageBoxes;

// Stores isChecked(controlId) of every box of one page; the other indices
// keep what an earlier Next stored.
template <std::size_t N, typename IsChecked>
void StoreOptionChecks(std::array<bool, 8>& checks, const std::array<OptionBox, N>& boxes,
                       IsChecked isChecked) {
  for (const OptionBox& box : boxes) checks[box.index] = isChecked(box.controlId);
}
