#!/usr/bin/env bash
# end_to_end_test.sh VELDRA VELDRA_CLI MAKE_PDF
#
# Drives the real application on a display of its own (Xvfb) with real mouse and key events
# (xdotool), and checks what it did through the catalog file:
#   1. veldra-cli makes a catalog of five PDFs in two categories;
#   2. the application opens it through File > Open, the path typed into the file dialog;
#      Ctrl+2 imports a folder in which one PDF's name holds a character CP932 cannot
#      represent: the others come in, that one is named in the failure box;
#   3. a click on "Astronomy" in the first category list: the list shows only its entries
#      (Ctrl+A then selects exactly those three);
#   4. a click on the size column's header sorts them by size;
#   5. a double-click on the first row opens the PDF viewer;
#   6. File > アプリケーションの終了 by keyboard; started again on the same catalog, the
#      viewer reopens; closed by the mouse through the same menu item;
#   7. veldra-cli check and list --json show the catalog whole, with what the GUI changed;
#   8. search: a second catalog of PDFs with text, opened, is indexed in the background; Ctrl+F,
#      "quasar" (on page 7 of one PDF, on page 2 of another), "一覧を絞り込む" checked: the
#      browser lists those two alone; a double-click on the first row opens its viewer, the
#      word highlighted, and Ctrl+G moves the highlight on (both seen on the screen when
#      ImageMagick's import is there); closed and opened again, the catalog is searched
#      without extracting anything again; veldra-cli search finds the same in that index.
# Exit 0 when all holds, 1 naming the failed step, 77 (skipped) without Xvfb, xdotool or jq.
set -euo pipefail

veldra="$1"
cli="$2"
make_pdf="$3"

for tool in Xvfb xdotool jq iconv python3; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done

# Where the widgets are, measured under Xvfb with Qt's Fusion style and IPAex Gothic at 11
# pixels (the style a fresh HOME gets, the font shell/app_font.cpp sets). The view's own
# layout (browser/browser_layout.cpp) and the column widths (browser/entry_list_columns.cpp)
# are the program's constants; a change of style or font moves the others, and the step that
# clicks then fails and says so.
readonly MENU_BAR_HEIGHT=17      # main frame's top to the child-window area
readonly FRAME_BORDER=4          # browser frame's left edge to its view
readonly FRAME_CAPTION=24        # browser frame's top to its view
readonly LIST_ROW_HEIGHT=17      # one row of a category list or of the entry list
readonly HEADER_HEIGHT=17        # the entry list's column headers
readonly CATEGORY_LIST_TOP=36    # browser_layout.cpp: kListTop
readonly ENTRY_LIST_TOP=138      # browser_layout.cpp: kEntryListTop
readonly SIZE_COLUMN_LEFT=600    # タイトル 150 + ファイル 150 + 分類１..３ 3 x 100
readonly SIZE_COLUMN_WIDTH=70
readonly MENU_LAST_ITEM_FROM_BOTTOM=12  # a menu's bottom edge to the middle of its last item
readonly RESULTS_FIRST_ROW=82    # the search window's top to the middle of its first result
readonly VIEWER_CHROME=64        # a viewer frame's top to its pages (caption and tool bar)

work="$(mktemp -d)"
catalog="$work/cat.vdc"
step="setting up"
xvfb_pid=""
app_pid=""
watchdog_pid=""
main_window=""
started=$SECONDS

cleanup() {
  local status=$?
  set +e
  if [ -n "$watchdog_pid" ]; then kill "$watchdog_pid"; fi
  if [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null; then
    sleep 0.5
    kill -9 "$app_pid" 2>/dev/null
  fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null; fi
  if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
    echo "--- application output ---" >&2
    cat "$work"/app*.log >&2
    echo "--- Xvfb output ---" >&2
    cat "$work/xvfb.log" >&2
  fi
  if [ -n "${E2E_KEEP:-}" ]; then echo "kept: $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "FAIL at step '$step': $*" >&2
  # For a look at the screen with E2E_KEEP=1, when ImageMagick happens to be installed.
  if [ -n "${E2E_KEEP:-}" ] && [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    import -window root "$work/failure.png" 2>/dev/null || true
  fi
  exit 1
}

begin() {
  step="$1"
  echo "[$((SECONDS - started))s] $step"
}

# wait_until SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails the
# step with WHAT after SECONDS. WHAT is expanded only then (single-quote it), so that a
# "$(...)" in it tells the state at the time of failure.
wait_until() {
  local limit="$1" what="$2"
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$(eval "echo \"$what\"") (waited ${limit} s)"
    sleep 0.1
  done
}

# The visible top-level window whose title matches the regular expression, on stdout.
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(visible_window "$1")" ]; }

wait_for_window() {
  wait_until 10 "no window titled /$1/" has_window "$1"
  visible_window "$1"
}

# A visible window of the application other than the main window: a message box or an open
# menu. (xdotool reads an open menu's title as empty: it is found by its class.)
popup_window() {
  xdotool search --onlyvisible --class '^veldra$' 2>/dev/null | grep -vx "$main_window" | head -1
}
has_popup() { [ -n "$(popup_window)" ]; }

# Keyboard focus to a window: asked for, then waited for (no window manager runs here).
focus_window() {
  xdotool windowfocus "$1"
  wait_until 5 "window $1 did not take the keyboard focus" focused "$1"
}
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

click_at() { xdotool mousemove --sync "$1" "$2" click 1; }
double_click_at() { xdotool mousemove --sync "$1" "$2" click --repeat 2 --delay 80 1; }
key() { xdotool key --delay 30 "$@"; }

# --- the catalog, read through veldra-cli ------------------------------------------------

json() { "$cli" list "$catalog" --json; }
# field ID KEY: one field of one entry, as list --json shows it.
field() { json | jq -r --argjson id "$1" --arg key "$2" '.[] | select(.en_id == $id) | .[$key] | tostring'; }
# The titles of the entries of level-1 category $1, in the stored sort order.
titles_of() { "$cli" list "$catalog" --c1 "$1" | cut -f1 | paste -sd' '; }
# The ids whose list-selection flag is set, ascending.
selected_ids() { json | jq -r '[.[] | select(.en_is_select_entrylist == 1) | .en_id] | sort | map(tostring) | join(" ")'; }

# env_value KEY: the catalog's environment value KEY (an ENVI record: id, key of 128 bytes,
# value of 256 bytes, both UTF-16LE), read from the live ENVI chunks that dump lists.
env_value() {
  local offset data
  for offset in $("$cli" dump "$catalog" | awk -F'\t' '$2 == "ENVI" && $8 == "live" {print $1}'); do
    data=$((offset + 36))
    if [ "$(text_at $((data + 4)) 128)" = "$1" ]; then
      text_at $((data + 132)) 256
      return
    fi
  done
}
text_at() {
  dd if="$catalog" iflag=skip_bytes,count_bytes skip="$1" count="$2" status=none |
    iconv -f UTF-16 -t UTF-8 | tr -d '\0'
}

# --- the application ---------------------------------------------------------------------

start_display() {
  exec 3>"$work/display"
  # -noreset: the server otherwise resets when its last client leaves, and an application
  # started again during the reset cannot connect.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  wait_until 10 "Xvfb did not report its display" grep -q '^[0-9]' "$work/display"
  export DISPLAY=":$(head -1 "$work/display")"
  # Should this script be killed outright (no trap runs then), its display and application
  # go with it.
  (while kill -0 $$ 2>/dev/null; do sleep 1; done
   [ -f "$work/app.pid" ] && kill -9 "$(cat "$work/app.pid")"
   kill "$xvfb_pid") >/dev/null 2>&1 &
  watchdog_pid=$!
}

# Starts the application in an environment of its own: nothing of the caller's settings,
# its own HOME, configuration and temporary folders, the X11 platform on the test display.
start_app() {
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb has ended (its output follows)"
  env -i PATH="$PATH" LANG=C.UTF-8 DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb \
      HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
      TMPDIR="$work/tmp" "$veldra" >"$work/app$1.log" 2>&1 &
  app_pid=$!
  echo "$app_pid" >"$work/app.pid"
  main_window="$(wait_for_window '^VELDRA$')"
}

app_running() { kill -0 "$app_pid" 2>/dev/null; }
app_gone() { ! app_running; }

wait_for_exit() {
  wait_until 10 "the application did not end" app_gone
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  rm -f "$work/app.pid"
  [ "$status" -eq 0 ] || fail "the application ended with status $status"
}

# File > Open (Ctrl+O), the catalog's path typed into the dialog's file name field.
open_catalog_by_dialog() {
  focus_window "$main_window"
  key ctrl+o
  local dialog
  dialog="$(wait_for_window '^Open$')"
  focus_window "$dialog"
  xdotool type --delay 5 "$catalog"
  key Return
  local name
  name="$(basename "$catalog")"
  wait_until 10 "the main window's title did not name the catalog" has_window "^VELDRA - ${name//./\\.}\$"
}

# view_x, view_y: where the browser view's top left corner is on the screen; view_width: its
# width. From the main window's place and the browser frame's rectangle in the child-window
# area, which the catalog records as "top,left,bottom,right".
compute_view_origin() {
  local frame top left WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$main_window")"
  frame="$(env_value main_window_position)"
  [[ "$frame" =~ ^(-?[0-9]+),(-?[0-9]+),(-?[0-9]+),(-?[0-9]+)$ ]] ||
    fail "main_window_position is '$frame'"
  top="${BASH_REMATCH[1]}"
  left="${BASH_REMATCH[2]}"
  view_x=$((X + left + FRAME_BORDER))
  view_y=$((Y + MENU_BAR_HEIGHT + top + FRAME_CAPTION))
  view_width=$((BASH_REMATCH[4] - left - 2 * FRAME_BORDER))
}

temp_copies() { find "$work/tmp" -name '*.pdf' -printf '%f\n' | sort | paste -sd' '; }
viewer_copy_present() { [ -n "$(temp_copies)" ]; }
last_view_after() { [[ "$(field "$1" en_last_view_date)" > "$2" ]]; }

# --- the test ----------------------------------------------------------------------------

begin "making the catalog with veldra-cli"
mkdir -p "$work/pdfs" "$work/home" "$work/config" "$work/tmp"
mkdir -m 700 "$work/runtime"
# Title order and size order differ: the sort by size must change the list.
"$make_pdf" "$work/pdfs/andromeda.pdf" "Andromeda" 9000
"$make_pdf" "$work/pdfs/betelgeuse.pdf" "Betelgeuse"
"$make_pdf" "$work/pdfs/cassiopeia.pdf" "Cassiopeia" 3000
"$make_pdf" "$work/pdfs/owl.pdf" "Owl" 1500
"$make_pdf" "$work/pdfs/penguin.pdf" "Penguin" 5000
"$cli" new "$catalog" >/dev/null
"$cli" import "$catalog" "$work"/pdfs/{andromeda,betelgeuse,cassiopeia}.pdf \
    --category Astronomy/Stars/Bright >/dev/null
"$cli" import "$catalog" "$work"/pdfs/{owl,penguin}.pdf --category Zoology/Birds/Night >/dev/null
[ "$(json | jq length)" -eq 5 ] || fail "the catalog does not hold 5 entries"
[ "$(titles_of Astronomy)" = "andromeda.pdf betelgeuse.pdf cassiopeia.pdf" ] ||
  fail "a new catalog is not listed by title: $(titles_of Astronomy)"
[ -z "$(env_value cat1list_selection)" ] || fail "a new catalog already remembers a category"

begin "starting Xvfb"
start_display

begin "starting the application"
start_app 1

begin "File > Open with the path typed into the dialog"
open_catalog_by_dialog
frame_recorded() { [ -n "$(env_value main_window_position)" ]; }
wait_until 5 "the browser frame's place was not recorded" frame_recorded
compute_view_origin
[ "$view_width" -gt $((SIZE_COLUMN_LEFT + SIZE_COLUMN_WIDTH)) ] ||
  fail "the size column lies outside the view (view width $view_width)"

begin "Ctrl+2 on a folder with a PDF whose name CP932 cannot hold"
mkdir -p "$work/batch"
"$make_pdf" "$work/batch/comet.pdf" "Comet"
# An emoji: the system lists the name with "?" in its place, and that name reaches nothing.
python3 -c 'import shutil, sys; shutil.copy(sys.argv[1], sys.argv[2] + "/owl-\U0001F989.pdf")' \
    "$work/batch/comet.pdf" "$work/batch"
focus_window "$main_window"
key ctrl+2
chooser="$(wait_for_window '^PDF')"
focus_window "$chooser"
xdotool type --delay 5 "$work/batch"
key Return
imported_six() { [ "$(json | jq length)" -eq 6 ]; }
wait_until 10 'the batch import did not add one entry: $(json | jq -r "map(.en_file_name) | join(\" \")")' \
  imported_six
[ "$(field 5 en_file_name)" = comet.pdf ] || fail "entry 5 is '$(field 5 en_file_name)', not comet.pdf"
# The failure box names the skipped file; Enter closes it.
wait_until 5 "no box named the skipped file" has_window '^VELDRA$'
focus_window "$(visible_window '^VELDRA$')"
key Return
wait_until 5 "the failure box stayed open" eval '! has_window "^VELDRA$"'

begin "clicking 'Astronomy' in the first category list"
# The rows: ＜すべて＞, Astronomy, Zoology, その他.
click_at $((view_x + 40)) $((view_y + CATEGORY_LIST_TOP + 1 + LIST_ROW_HEIGHT + LIST_ROW_HEIGHT / 2))
remembered_astronomy() { [ "$(env_value cat1list_selection)" = Astronomy ]; }
wait_until 5 'cat1list_selection is $(env_value cat1list_selection), not Astronomy' \
  remembered_astronomy

begin "Ctrl+A, then a click on the size column's header"
focus_window "$main_window"
key ctrl+a
# The header click saves the catalog with the list's selection and the new sort order.
click_at $((view_x + 1 + SIZE_COLUMN_LEFT + SIZE_COLUMN_WIDTH / 2)) \
         $((view_y + ENTRY_LIST_TOP + 1 + HEADER_HEIGHT / 2))
sorted_by_size() {
  [ "$(titles_of Astronomy)" = "betelgeuse.pdf cassiopeia.pdf andromeda.pdf" ]
}
wait_until 5 'Astronomy is not sorted by size: $(titles_of Astronomy)' sorted_by_size
# Select-all selected exactly the rows the list showed: the three Astronomy entries.
[ "$(selected_ids)" = "0 1 2" ] ||
  fail "the list showed entries '$(selected_ids)', not only Astronomy's (0 1 2)"

begin "double-clicking the first row (betelgeuse.pdf) opens the viewer"
double_click_at $((view_x + 60)) \
                $((view_y + ENTRY_LIST_TOP + 1 + HEADER_HEIGHT + LIST_ROW_HEIGHT / 2))
viewed() { [ -n "$(field 1 en_last_view_date)" ]; }
wait_until 5 "betelgeuse.pdf got no last view date" viewed
wait_until 5 "the viewer wrote no copy of the PDF to TMPDIR" viewer_copy_present
[[ "$(temp_copies)" == *betelgeuse.pdf ]] || fail "the viewer shows '$(temp_copies)'"
! has_popup || fail "a message box opened (is the viewer component missing?)"
for id in 0 2 3 4; do
  [ -z "$(field $id en_last_view_date)" ] || fail "entry $id was viewed too"
done
first_view="$(field 1 en_last_view_date)"

begin "File > アプリケーションの終了 by keyboard"
focus_window "$main_window"
key alt+f
wait_until 5 "the File menu did not open" has_popup
key x
wait_for_exit
[ -z "$(temp_copies)" ] || fail "the viewer left '$(temp_copies)' in TMPDIR"
[ "$(field 1 en_pdf_window_ordered_index)" = 1 ] || fail "the viewer's window order was not recorded"
[ "$(selected_ids)" = 1 ] || fail "the selection recorded at exit is '$(selected_ids)', not 1"

begin "starting the application again: the viewer reopens"
start_app 2
open_catalog_by_dialog
wait_until 10 "the viewer did not reopen (last view date unchanged)" last_view_after 1 "$first_view"
wait_until 5 "the reopened viewer wrote no copy of the PDF" viewer_copy_present

begin "File > アプリケーションの終了 by mouse"
eval "$(xdotool getwindowgeometry --shell "$main_window")"
click_at $((X + 20)) $((Y + MENU_BAR_HEIGHT / 2))
wait_until 5 "the File menu did not open" has_popup
eval "$(xdotool getwindowgeometry --shell "$(popup_window)")"
# The item is the menu's last.
click_at $((X + 50)) $((Y + HEIGHT - MENU_LAST_ITEM_FROM_BOTTOM))
wait_for_exit
[ -z "$(temp_copies)" ] || fail "the viewer left '$(temp_copies)' in TMPDIR"

begin "checking the catalog with veldra-cli"
"$cli" check "$catalog" || fail "veldra-cli check found problems"
[ "$(json | jq -r 'map(.en_file_name) | sort | join(" ")')" = \
  "andromeda.pdf betelgeuse.pdf cassiopeia.pdf comet.pdf owl.pdf penguin.pdf" ] ||
  fail "entries lost: $(json)"
[ "$(json | jq -r 'map(.attachment_ordinal >= 0) | all')" = true ] || fail "an entry lost its PDF"
[ "$(env_value cat1list_selection)" = Astronomy ] || fail "the category selection was not kept"
[ "$(titles_of Astronomy)" = "betelgeuse.pdf cassiopeia.pdf andromeda.pdf" ] ||
  fail "the sort order was not kept"
[ "$(field 1 en_pdf_window_ordered_index)" = 1 ] || fail "the viewer's window order was not kept"
[ "$(json | jq '[.[] | select(.en_pdf_window_ordered_index > 0)] | length')" -eq 1 ] ||
  fail "other entries have a viewer window order"
[ "$(field 1 en_pdf_window_position)" != "[0,0,0,0]" ] || fail "the viewer's place was not recorded"
[ "$(json | jq '[.[] | select(.en_pdf_window_position != [0,0,0,0])] | length')" -eq 1 ] ||
  fail "other entries have a viewer's place"
[ "$(selected_ids)" = 1 ] || fail "the list selection is '$(selected_ids)', not 1"

# --- search ------------------------------------------------------------------------------

# The PDFs with text in the index (rows "id:indexed_at"), read with Python's sqlite3: the
# application keeps its index in $HOME/.cache/veldra.
index="$work/home/.cache/veldra/index.sqlite"
indexed_texts() {
  python3 - "$index" <<'PY' 2>/dev/null
import sqlite3, sys
db = sqlite3.connect(sys.argv[1], timeout=5)
print(" ".join("%d:%d" % row for row in db.execute(
    "SELECT id, indexed_at FROM pdf WHERE state = 1 ORDER BY id")))
PY
}
# The index is the user's, shared by all their catalogs: the first catalog's PDFs are in it.
three_more_indexed() { [ "$(indexed_texts | wc -w)" -eq $((before_search + 3)) ]; }

# The highlighted pixels of the screen's rectangle W H X Y: "YELLOW ORANGE LEFT" (LEFT: the
# leftmost orange column, the current occurrence); "" without ImageMagick's import.
highlights() {
  command -v import >/dev/null || return 0
  import -window root -crop "$1x$2+$3+$4" -depth 8 ppm:- 2>/dev/null | python3 -c '
import sys
data = sys.stdin.buffer.read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at+1].isspace(): at += 1
    start = at
    while not data[at:at+1].isspace(): at += 1
    fields.append(data[start:at])
width, pixels = int(fields[1]), data[at + 1:]
yellow = orange = 0
left = width
for i in range(0, len(pixels) - 2, 3):
    r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
    if r < 230 or b > 100: continue
    if g > 180: yellow += 1
    elif g > 90:
        orange += 1
        left = min(left, (i // 3) % width)
print(yellow, orange, left)'
}

# search_and_narrow: Ctrl+F in the browser, "quasar" typed, the list narrowed to the hits;
# then Ctrl+A and a click on a header store what the list shows as the selection.
# (deep-sky.pdf's three hits rank it above radio.pdf's one: its first row.)
search_and_narrow() {
  focus_window "$main_window"
  key ctrl+f
  search_window="$(wait_for_window '^PDF.* - search\.vdc$')"
  focus_window "$search_window"
  xdotool type --delay 20 quasar
  key Tab space  # to the check box "一覧を絞り込む", checked
  xdotool windowmove "$search_window" 660 560  # off the browser's lists
  compute_view_origin
  # The search runs after a pause: until the list is narrowed, the click stores all three.
  narrowed() {
    focus_window "$main_window"
    key ctrl+a
    xdotool mousemove 1 1  # click_at waits for the pointer to move: it must be elsewhere
    click_at $((view_x + 1 + SIZE_COLUMN_LEFT + SIZE_COLUMN_WIDTH / 2)) \
             $((view_y + ENTRY_LIST_TOP + 1 + HEADER_HEIGHT / 2))
    sleep 0.3
    [ "$(selected_ids)" = "0 1" ]
  }
  wait_until 10 'the narrowed list showed $(selected_ids), not the two with quasar (0 1)' narrowed
}

begin "a catalog of PDFs with text, for the search"
catalog="$work/search.vdc"  # from here on the functions above read this catalog
pages=()
for n in 1 2 3 4 5 6; do pages+=("Deep sky page $n: galaxies and nebulae"); done
export XDG_RUNTIME_DIR="$work/runtime"  # for the PDF writer's Qt
"$make_pdf" "$work/pdfs/deep-sky.pdf" --pages "${pages[@]}" \
    "Page 7: a quasar, the brightest quasar, and a third quasar" "Page 8: dust"
"$make_pdf" "$work/pdfs/radio.pdf" --pages "Antennas" "A radio quasar far away" "${pages[@]}"
"$make_pdf" "$work/pdfs/birds.pdf" --pages "Owls" "Penguins"
"$cli" new "$catalog" >/dev/null
"$cli" import "$catalog" "$work"/pdfs/{deep-sky,radio,birds}.pdf --category Space/Deep/Sky >/dev/null

begin "opening it: the index is made in the background"
before_search="$(indexed_texts | wc -w)"
start_app 3
open_catalog_by_dialog
wait_until 20 'the index holds $(indexed_texts | wc -w) PDFs, not $before_search and these 3' \
  three_more_indexed
first_index="$(indexed_texts)"

begin "Ctrl+F, quasar, 一覧を絞り込む: the browser lists the two PDFs with the word"
search_and_narrow

begin "a double-click on the first result opens the viewer at the word"
eval "$(xdotool getwindowgeometry --shell "$search_window")"
double_click_at $((X + 60)) $((Y + RESULTS_FIRST_ROW))
viewed_entry() { [ -n "$(field "$1" en_last_view_date)" ]; }
wait_until 5 "deep-sky.pdf got no last view date" viewed_entry 0
wait_until 5 "the viewer wrote no copy of the PDF to TMPDIR" viewer_copy_present
[[ "$(temp_copies)" == *deep-sky.pdf ]] || fail "the viewer shows '$(temp_copies)'"
if command -v import >/dev/null; then
  place="$(field 0 en_pdf_window_position)"  # [top,left,bottom,right] in the window area
  [[ "$place" =~ ^\[(-?[0-9]+),(-?[0-9]+),(-?[0-9]+),(-?[0-9]+)\]$ ]] || fail "viewer at '$place'"
  eval "$(xdotool getwindowgeometry --shell "$main_window")"
  page_x=$((X + BASH_REMATCH[2] + FRAME_BORDER))
  page_y=$((Y + MENU_BAR_HEIGHT + BASH_REMATCH[1] + VIEWER_CHROME))
  page_w=$((BASH_REMATCH[4] - BASH_REMATCH[2] - 2 * FRAME_BORDER))
  page_h=$((BASH_REMATCH[3] - BASH_REMATCH[1] - VIEWER_CHROME - FRAME_BORDER))
  lit() { read -r yellow orange left <<<"$(highlights $page_w $page_h $page_x $page_y)"; }
  highlighted() { lit; [ "$yellow" -gt 20 ] && [ "$orange" -gt 20 ]; }
  wait_until 5 'no highlighted word on the page ($(highlights $page_w $page_h $page_x $page_y))' highlighted
  first_left="$left"
  focus_window "$main_window"
  key ctrl+g
  moved_on() { lit; [ "$orange" -gt 20 ] && [ "$left" -gt "$first_left" ]; }
  wait_until 5 'Ctrl+G did not move the highlight on (from column $first_left)' moved_on
else
  echo "  (ImageMagick's import is not installed: the highlight is not looked at)"
  focus_window "$main_window"
  key ctrl+g
fi

begin "closed and opened again: searched without extracting again"
focus_window "$main_window"
key alt+f
wait_until 5 "the File menu did not open" has_popup
key x
wait_for_exit
start_app 4
open_catalog_by_dialog
search_and_narrow
[ "$(indexed_texts)" = "$first_index" ] ||
  fail "the index changed on reopening: '$first_index' became '$(indexed_texts)'"
focus_window "$main_window"
key alt+f
wait_until 5 "the File menu did not open" has_popup
key x
wait_for_exit

begin "veldra-cli search finds the same, in the application's index"
found="$(env -u XDG_CACHE_HOME HOME="$work/home" "$cli" search "$catalog" quasar --no-update --json |
         jq -r 'map("\(.en_id):\(.pages | map(tostring) | join(","))") | join(" ")')"
[ "$found" = "0:7 1:2" ] || fail "veldra-cli search found '$found', not deep-sky.pdf on 7 and radio.pdf on 2"

echo "end to end: passed in $((SECONDS - started)) s"
