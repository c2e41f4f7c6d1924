# The usual runs as Windows 10 and 7, plus runs under other Linux locales: Wine
# takes the user's locale from LC_ALL, and the language list must follow it.
foreach(windows win10 win7)
  add_test(NAME ${target}_${windows}
           COMMAND env VELLAM_WINDOWS=${windows} ${VELLAM_WINE_RUN} ${VELLAM_PREFIX}
                   $<TARGET_FILE:${target}> --gtest_brief=1)
  set_tests_properties(${target}_${windows} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300)
endforeach()

# A process started under another locale rewrites the prefix's regional
# settings (HKCU\Control Panel\International) for every program in it, so
# these runs get a prefix of their own and take turns in it.
set(locale_prefix ${CMAKE_BINARY_DIR}/wine/locale-prefix)
add_test(NAME wine_locale_prefix COMMAND ${PROJECT_SOURCE_DIR}/tests/wine-prefix ${locale_prefix})
set_tests_properties(wine_locale_prefix PROPERTIES FIXTURES_SETUP wine_locale_prefix TIMEOUT 600)

# LC_ALL, the Windows locale name Wine derives from it, the language listed
# for it, and its index in the DLM wizard's list (Polish is listed twice; the
# later entry is preselected). Wine needs no generated Linux locale for this.
set(locale_runs
    "pl_PL.UTF-8|pl-PL|polski|11"
    "de_DE.UTF-8|de-DE|Deutsch|6"
    "en_US.UTF-8|en-US|English|0")
foreach(run ${locale_runs})
  string(REPLACE "|" ";" fields "${run}")
  list(GET fields 0 lc_all)
  list(GET fields 1 windows_locale)
  list(GET fields 2 language)
  list(GET fields 3 index)
  add_test(NAME ${target}_${windows_locale}
           COMMAND env LC_ALL=${lc_all} VELLAM_EXPECT_USER_LOCALE=${windows_locale}
                   VELLAM_EXPECT_LANGUAGE=${language} VELLAM_EXPECT_DLM_INDEX=${index}
                   ${VELLAM_WINE_RUN} ${locale_prefix} $<TARGET_FILE:${target}> --gtest_brief=1
                   --gtest_filter=*UsersLocaleFollowsTheEnvironment*)
  set_tests_properties(${target}_${windows_locale} PROPERTIES FIXTURES_REQUIRED wine_locale_prefix
                       RESOURCE_LOCK vellam_locale_prefix TIMEOUT 300)
endforeach()
