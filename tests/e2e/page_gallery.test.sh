#!/usr/bin/env bash
# Every page template, filled with the texts of its wizard, as a screenshot
# (page-*.png): the branded ISV pages in English and Spanish, then the plain
# DLM pages. Shown one by one by the test-only page gallery.
source "$(dirname "$0")/lib.sh"
e2e_start_display

# show WIZARD-TITLE SYSCOMMAND NAME CONTROL TEXT: shows a page, waits until
# CONTROL shows TEXT, takes the screenshot page-NAME.png.
show() {
  local command=$1 name=$2 control=$3 text=$4 status=0
  # Once under CI load the driver ended without a word before it reached the
  # gallery: try once more, and count a second failure instead of letting
  # set -e end the scenario silently.
  drive syscommand "$command" >/dev/null || drive syscommand "$command" >/dev/null || status=$?
  check "$name: the gallery took command $command" "$status" "0"
  check "$name: control $control shows its text" "$(drive wait-text "$control" "$text" && echo shown)" "shown"
  sleep 0.3  # let the page finish painting
  e2e_screenshot "page-$name"
  # Below the buttons the bar shows the bar colour; the page above it is white.
  check "$name: bar painted" "$(pixel "page-$name" 200 503)" "srgb(127,188,66)"
  check "$name: page background" "$(pixel "page-$name" 690 300)" "srgb(255,255,255)"
}

# shows_all CONTROL DESCRIPTION MUST-HOLD MUST-NOT-HOLD: the control's text
# holds the one and not the other.
shows_all() {
  local text
  text=$(drive text "$1")
  check "$2" "$([[ $text == *"$3"* && $text != *"$4"* ]] && echo yes)" "yes"
}

pixel() {  # pixel SCREENSHOT X Y: the colour there (the wizard sits at the desktop's corner)
  convert "$E2E_ARTIFACTS/$1.png" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null
}

gallery() {  # gallery LANGUAGE_ENV [DLM]
  env LC_ALL="$1" "$E2E_ROOT/tests/wine-run" "$E2E_PREFIX" "$E2E_BUILD/pagegallery.exe" ${2:-} \
    >>"$E2E_WORK/wine.log" 2>&1 &
  E2E_PIDS+=("$!")
  E2E_LAST_PID=$!
}

stop_gallery() {
  kill "$E2E_LAST_PID" 2>/dev/null || true
  e2e_stop_wine
  wait "$E2E_LAST_PID" 2>/dev/null || true
}

# Branded ISV wizard, English.
export VELLAM_WIZARD_TITLE="Pellio Classic"
gallery en_US.UTF-8
e2e_wait_wizard >/dev/null || { echo "FAIL: no gallery window"; exit 1; }
show 0x7000 isv-en-language "$IDC_NEXT" "Next"
drive syscommand 0x7010 >/dev/null
check "loading page shows its progress bar" "$(drive visible "$IDC_PROGRESS")" "1"
e2e_screenshot page-isv-en-loading
show 0x7020 isv-en-warning "$IDC_BACK" "Back"
show 0x7030 isv-en-licence "$IDC_AGREE" "I Agree"
shows_all "$IDC_LICENSE_DISCLAIMER" "licence: disclaimer without address tokens" "Terms of Use" "[LICENSE_"
show 0x7050 isv-en-offer "$IDC_ACCEPT" "Accept"
shows_all "$IDC_OFFER_DISCLAIMER" "offer: disclaimer names the offer" "Nimbus Backup" "[PACKAGE_"
check "offer: Skip All shown before the last offer" "$(drive visible "$IDC_SKIP_ALL")" "1"
show 0x7060 isv-en-options "$IDC_NEXT" "Next"
show 0x7070 isv-en-configurations "$IDC_BACK" "Back"
show 0x70A0 isv-en-download "$IDC_PROGRESS_TITLE" "Installation Status"
show 0x70B0 isv-en-finish "$IDC_FINISH" "Finish"
show 0x7FF0 isv-en-error "$IDC_CLOSE" "Close"
stop_gallery

# Branded ISV wizard, Spanish: the branded texts are English only, the
# buttons follow the language.
gallery es_ES.UTF-8
e2e_wait_wizard >/dev/null || { echo "FAIL: no gallery window"; exit 1; }
show 0x7000 isv-es-language "$IDC_NEXT" "Siguiente"
show 0x7050 isv-es-offer "$IDC_ACCEPT" "Aceptar"
shows_all "$IDC_OFFER_DISCLAIMER" "offer (es): disclaimer names the offer" "Nimbus Backup" "[PACKAGE_"
show 0x70B0 isv-es-finish "$IDC_FINISH" "Finalizar"
stop_gallery

# Plain DLM wizard, English.
export VELLAM_WIZARD_TITLE="Setup"
gallery en_US.UTF-8 DLM
e2e_wait_wizard >/dev/null || { echo "FAIL: no gallery window"; exit 1; }
show 0x7000 dlm-en-language "$IDC_NEXT" "Next"
show 0x7040 dlm-en-welcome "$IDC_NEXT" "Next"
show 0x7080 dlm-en-download "$IDC_PROGRESS_TITLE" "Downloading"
show 0x7090 dlm-en-finish "$IDC_FINISH" "Finish"
stop_gallery
e2e_finish
