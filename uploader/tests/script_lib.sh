# Sourced by the program tests that drive a window or compare exports.
# A script sets test_name to have it lead its ok and FAIL lines.
fail() { echo "FAIL ${test_name:+$test_name: }$1"; exit 1; }
pass() { echo "ok   ${test_name:+$test_name: }$1"; }

# Runs the script again, with the same arguments, on a virtual X display.
on_xvfb() { exec env BREVALIN_TEST_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }

# Polls up to $1 tenths of a second for the rest of the line to succeed.
wait_for() {
  local tenths="$1"
  shift
  for _ in $(seq "$tenths"); do "$@" && return; sleep 0.1; done
  "$@"
}

# The client area of window $1, as WIDTHxHEIGHT.
client_size() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }

# Clicks Save to File in brevalin's window $1.
click_save() { xdotool mousemove --window "$1" $((568 + 44)) $((384 + 16)) click 1; }

# Two export-all folders hold the same files byte for byte, the manifest apart
# from its write times (ninth field), which differ from run to run.
without_times() { awk -F'\t' -v OFS='\t' '$1 == "file" {$9 = "-"} {print}' "$1"; }
same_export() {  # linux_folder other_folder what
  diff -r -x .brevalin-manifest "$1" "$2" >/dev/null || fail "$3 wrote other files than Linux"
  diff <(without_times "$1/.brevalin-manifest") <(without_times "$2/.brevalin-manifest") \
    >/dev/null || fail "$3: the manifest differs from Linux's"
}
