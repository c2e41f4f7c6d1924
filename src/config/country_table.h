// Country code (as the configuration server reports it) → affiliate number,
// offered to server texts as the "aflt" placeholder.
#pragma once

#include <string>

// The affiliate number of an upper-case two-letter country code; "91082" for
// every code not in the table (matched exactly: no trimming, no case folding).
std::string LookupAffiliateId(const std::string& countryCode);
