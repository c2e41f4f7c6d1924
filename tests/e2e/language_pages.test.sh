#!/usr/bin/env bash
# The language page of both wizards: the branded ISV wizard opens in the
# user's language with the choice hidden; the DLM wizard lists its fourteen
# documents, preselects the user's language and re-localises on each choice;
# the close question comes in the chosen language and the working folder is
# gone afterwards.
source "$(dirname "$0")/lib.sh"
e2e_start_display

# Prints the text of control ID once it is EXPECTED (or what it shows after
# ten seconds). Compared here, not by the driver: its arguments pass through
# the ANSI code page, which cannot carry every language's letters.
text_becomes() {
  local id=$1 expected=$2 text i
  for i in $(seq 50); do
    text=$(drive text "$id" 2>/dev/null || true)
    [ "$text" == "$expected" ] && break
    sleep 0.2
  done
  echo "$text"
}

temp_folders() { ls -d "$E2E_PREFIX"/drive_c/users/*/Temp/ISV*.tmp 2>/dev/null | sort || true; }

# wizard LC_ALL PROGRAM: starts a wizard under that Linux locale.
wizard() { e2e_start LC_ALL="$1" "$E2E_BUILD/$2"; }

# The working folder a wizard made since BEFORE (a list of folders).
new_folder() { comm -13 <(echo "$1") <(temp_folders) | head -1; }

# close_wizard PID EXPECTED-QUESTION NAME BEFORE: closes, checks the question,
# confirms, and checks the process ends and its working folder is gone, with
# the file put there meanwhile (an empty working folder is left in place).
close_wizard() {
  local pid=$1 question=$2 name=$3 before=$4 work
  work=$(new_folder "$before")
  check "$name: the wizard made a working folder" "$([ -d "$work" ] && echo made)" "made"
  [ -d "$work" ] && mkdir -p "$work/offer" && echo data >"$work/offer/setup.exe"
  drive close >/dev/null
  check "$name: close question in the wizard's language" "$(drive messagebox)" "|$question"
  e2e_screenshot "$name-close-question"
  drive answer 1 >/dev/null
  check "$name: the wizard ends" "$(e2e_wait_exit "$pid" 30)" "ended"
  check "$name: its working folder is deleted" "$([ -e "$work" ] && echo left || echo gone)" "gone"
}

# --- Branded ISV wizard, English locale -------------------------------------
export VELLAM_WIZARD_TITLE="Pellio Classic"
before=$(temp_folders)
wizard en_US.UTF-8 Vellam.exe
pid=$E2E_LAST_PID
e2e_wait_wizard >/dev/null || { echo "FAIL: no ISV wizard"; exit 1; }
check "isv-en: the language choice is hidden" "$(drive visible "$IDC_LANGUAGE_COMBO")" "0"
check "isv-en: Next in English" "$(text_becomes "$IDC_NEXT" Next)" "Next"
check "isv-en: branded title" "$(text_becomes "$IDC_SPLASH_TITLE_ZQ" "Welcome to Pellio Classic Setup")" "Welcome to Pellio Classic Setup"
e2e_screenshot isv-en-language
close_wizard "$pid" "Are you sure you want to quit Pellio Classic Setup?" isv-en "$before"

# --- Branded ISV wizard, Spanish locale: the buttons and questions follow;
# the branded texts exist in English only.
before=$(temp_folders)
wizard es_ES.UTF-8 Vellam.exe
pid=$E2E_LAST_PID
e2e_wait_wizard >/dev/null || { echo "FAIL: no ISV wizard"; exit 1; }
check "isv-es: the language choice is hidden" "$(drive visible "$IDC_LANGUAGE_COMBO")" "0"
check "isv-es: Next in Spanish" "$(text_becomes "$IDC_NEXT" Siguiente)" "Siguiente"
check "isv-es: branded title stays English" "$(drive text "$IDC_SPLASH_TITLE_ZQ")" "Welcome to Pellio Classic Setup"
e2e_screenshot isv-es-language
# Cancel keeps the wizard and its working folder.
drive close >/dev/null
drive answer 2 >/dev/null
check "isv-es: Cancel keeps the wizard" "$(drive text "$IDC_NEXT")" "Siguiente"
close_wizard "$pid" "¿Seguro que desea salir del programa de instalación de Pellio Classic?" isv-es "$before"

# --- DLM wizard, Polish locale ------------------------------------------------
# The DLM build is branded too (the choice is hidden); its list still holds
# the fourteen DLM documents, and the driver reaches the hidden list.
export VELLAM_WIZARD_TITLE="Setup"
hidden() { drive --hidden 1 "$@"; }
before=$(temp_folders)
wizard pl_PL.UTF-8 VellamDLM.exe
pid=$E2E_LAST_PID
e2e_wait_wizard >/dev/null || { echo "FAIL: no DLM wizard"; exit 1; }
check "dlm: the language choice is hidden" "$(drive visible "$IDC_LANGUAGE_COMBO")" "0"
items=$(hidden combo-items "$IDC_LANGUAGE_COMBO")
check "dlm: fourteen languages" "$(echo "$items" | wc -l)" "14"
check "dlm: Polish is listed twice" "$(echo "$items" | grep -cx polski)" "2"
check "dlm: the user's language is preselected" "$(hidden combo-selected "$IDC_LANGUAGE_COMBO")" "polski"
check "dlm: Next in Polish" "$(text_becomes "$IDC_NEXT" Dalej)" "Dalej"
e2e_screenshot dlm-pl-language

# Every entry, in list order, re-localises the page: the Next button shows
# that document's text (the branded title and text exist in English only).
next_texts=(Next Siguiente Avançar Dalej Další Næste Weiter Seuraava Suivant Avanti Volgende Dalej
            Далее İleri)
for index in "${!next_texts[@]}"; do
  expected=${next_texts[$index]}
  hidden select "$IDC_LANGUAGE_COMBO" "$index" >/dev/null
  check "dlm entry $index: Next follows the language" "$(text_becomes "$IDC_NEXT" "$expected")" "$expected"
done
hidden select "$IDC_LANGUAGE_COMBO" 6 >/dev/null
text_becomes "$IDC_NEXT" Weiter >/dev/null
e2e_screenshot dlm-de-language
# The DLM wizard has no product title before the configuration arrives.
close_wizard "$pid" "Möchten Sie die Installation von  wirklich beenden?" dlm-de "$before"

# --- Plain (unbranded) DLM pages, through the page gallery --------------------
# With the choice visible, each language re-localises every bound caption of
# every page, shown or not: the language page, and the finish page after it.
"$E2E_ROOT/tests/wine-run" "$E2E_PREFIX" "$E2E_BUILD/pagegallery.exe" DLM >>"$E2E_WORK/wine.log" 2>&1 &
E2E_PIDS+=("$!")
gallery=$!
e2e_wait_wizard >/dev/null || { echo "FAIL: no gallery"; exit 1; }
check "plain: the language choice is shown" "$(drive visible "$IDC_LANGUAGE_COMBO")" "1"
declare -A splash_by_next=()
for index in "${!next_texts[@]}"; do
  expected=${next_texts[$index]}
  drive select "$IDC_LANGUAGE_COMBO" "$index" >/dev/null
  check "plain entry $index: Next follows the language" "$(text_becomes "$IDC_NEXT" "$expected")" "$expected"
  splash=$(drive text "$IDC_SPLASH_TEXT")
  case "$splash" in
    *placeholder* | "") check "plain entry $index: welcome text localised" "$splash" "a localised text" ;;
  esac
  if [ -n "${splash_by_next[$expected]:-}" ]; then
    check "plain entry $index: same document, same welcome text" "$splash" "${splash_by_next[$expected]}"
  fi
  splash_by_next[$expected]=$splash
done
check "plain: thirteen different welcome texts" \
  "$(printf '%s\0' "${splash_by_next[@]}" | sort -zu | tr -cd '\0' | wc -c)" "13"
# German, then the finish page (never shown before) speaks German too.
drive select "$IDC_LANGUAGE_COMBO" 6 >/dev/null
text_becomes "$IDC_NEXT" Weiter >/dev/null
drive syscommand 0x7090 >/dev/null
finish=$(grep -o '<BUTTON_FINISH>[^<]*' "$E2E_ROOT/src/locale/resources/dlm_de.xml" | cut -d'>' -f2)
check "plain: the finish page follows the language" "$(text_becomes "$IDC_FINISH" "$finish")" "$finish"
e2e_screenshot plain-de-finish
kill "$gallery" 2>/dev/null || true
e2e_finish
