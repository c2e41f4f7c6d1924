#include "config/option_checks.h"

#include "resources/resource_ids.h"

const std::array<OptionBox, 3> kOptionsPageBoxes{
    {{IDC_OPTIONS_CHECK_1, 0}, {IDC_OPTIONS_CHECK_2, 1}, {IDC_OPTIONS_CHECK_3, 2}}};

const std::array<OptionBox, 5> kConfigurationsPageBoxes{{{IDC_CONFIGURATIONS_CHECK_1, 3},
                                                         {IDC_CONFIGURATIONS_CHECK_2, 4},
                                                         {IDC_CONFIGURATIONS_CHECK_3, 5},
                                                         {IDC_CONFIGURATIONS_CHECK_4, 6},
                                                         {IDC_CONFIGURATIONS_CHECK_5, 7}}};
