#!/bin/sh
# Starts the built program under a virtual X server and takes screenshots of the main page, the editor page
# and the About dialog, in English and in German, of the main page on a dark desktop theme and at a scale
# factor of 2, and of the box start-up shows after an interrupted run and of the file list expanded from a
# folder with the preview beside it, each also dark and at a scale factor of 2, into docs/ (or the folder
# given).
# Needs: xvfb, xdotool, imagemagick, and for the dark theme Qt's GTK theme (apt-get install -y xvfb xauth
# xdotool imagemagick qt6-gtk-platformtheme). Build first.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$here/docs"}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
import_cmd=$(command -v import-im6.q16 || command -v import)

# A copy of the program folder, so the screenshots never touch the build's settings or tasks.
cp -r "$here/build/app" "$work/app"
mkdir -p "$work/files"
printf 'The colour of the centre.\r\nAnother colour line.\r\n' > "$work/files/notes.txt"
printf 'colour, colour, colour\r\n' > "$work/files/report.old.txt"
printf 'nothing to see\r\n' > "$work/files/readme.md"

# The settings in the language given and one saved task, "Spelling", over three files.
write_state() {
    printf '[Replace in Contents]\t\t1\r\n[Language]\t\t%s\r\n[Load Icons]\t\t1\r\n[Add Files to Filelist]\t\t1\r\n' \
        "$1" > "$work/app/Settings.txt"
    sep='[---------------------------------------][------------------]'
    printf '%s\r\n[Name:]\r\nSpelling\r\n[/Name]\r\n[Replace in Contents:]\r\n1\r\n[/Replace in Contents]\r\n[Case Sensitive:]\r\n0\r\n[/Case Sensitive]\r\n[Find:]\r\ncolour\r\n[/Find]\r\n[Find:]\r\ncentre\r\n[/Find]\r\n[Replace:]\r\ncolor\r\n[/Replace]\r\n[Replace:]\r\ncenter\r\n[/Replace]\r\n[Files:]\r\n%s\r\n%s\r\n%s\r\n[/Files]\r\n%s' \
        "$sep" "$work/files/notes.txt" "$work/files/report.old.txt" "$work/files/readme.md" "$sep" \
        > "$work/app/Saved_Replacements.txt"
}

shoot() { # language, then the x position of the "?" menu in that language
    language=$1
    about_menu=$2
    write_state "$language"
    xvfb-run -a -s "-screen 0 1100x800x24" sh -c "
        '$work/app/morvane' & pid=\$!
        sleep 2
        main=\$(xdotool search --name '^Morvane' | head -n 1)
        xdotool windowmove \$main 0 0 windowsize \$main 800 553; sleep 0.5
        xdotool mousemove 60 376 click --repeat 2 --delay 80 1; sleep 1
        xdotool mousemove 700 600
        '$import_cmd' -window \$main '$out/main-$language.png'
        xdotool key F1; sleep 0.5
        xdotool type --delay 20 'colour'; xdotool key Tab; xdotool type --delay 20 'color'; sleep 0.3
        '$import_cmd' -window \$main '$out/editor-$language.png'
        xdotool key Escape; sleep 0.3
        xdotool mousemove $about_menu 8 click 1; sleep 0.3; xdotool key Down Return; sleep 1
        about=\$(xdotool search --name '^Morvane Version' | head -n 1)
        '$import_cmd' -window \$about '$out/about-$language.png'
        kill \$pid"
}

# The main page with the saved task loaded, in English, as a desktop with the given settings shows it; the
# window's coordinates grow with the scale factor.
shoot_look() { # file name, scale factor, then environment settings
    name=$1
    scale=$2
    shift 2
    write_state 0
    xvfb-run -a -s "-screen 0 2200x1600x24" env "$@" QT_SCALE_FACTOR="$scale" sh -c "
        '$work/app/morvane' & pid=\$!
        sleep 2
        main=\$(xdotool search --sync --onlyvisible --name '^Morvane' | head -n 1)
        xdotool windowmove \$main 0 0 windowsize \$main $((800 * scale)) $((553 * scale)); sleep 0.5
        xdotool mousemove $((60 * scale)) $((384 * scale)) click --repeat 2 --delay 80 1; sleep 1
        xdotool mousemove $((700 * scale)) $((600 * scale))
        '$import_cmd' -window \$main '$out/$name'
        kill \$pid"
}

# The box start-up shows after an execute run over 1,024 files was killed part way, on a screen 1000 logical
# pixels high: its question and buttons stay on the screen whatever the run left.
shoot_recovery() { # file name, scale factor, then environment settings
    name=$1
    scale=$2
    shift 2
    write_state 0
    mkdir -p "$work/many"
    i=0
    while [ $i -lt 1024 ]; do
        [ -f "$work/many/file-$i.txt" ] || head -c 300000 /dev/zero | tr '\0' 'a' > "$work/many/file-$i.txt"
        i=$((i + 1))
    done
    "$work/app/morvane-cli" --app-dir "$work/app" execute --pair a b -- "$work/many"/*.txt > /dev/null 2>&1 &
    cli=$!
    # Killed once it has a good number of files half written, or after five seconds.
    tries=0
    while [ $tries -lt 50 ] && [ "$(ls -a "$work/many" | grep -c morvane-)" -lt 12 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    kill -9 $cli 2> /dev/null || true
    wait $cli 2> /dev/null || true
    xvfb-run -a -s "-screen 0 $((1280 * scale))x$((1000 * scale))x24" env "$@" QT_SCALE_FACTOR="$scale" sh -c "
        '$work/app/morvane' & pid=\$!
        box=\$(xdotool search --sync --onlyvisible --name '^Morvane\$' | head -n 1)
        sleep 1
        '$import_cmd' -window \$box '$out/$name'
        kill \$pid"
}

# The file list after its one folder row was expanded into 2,000 files, 40 of which match: only those with
# matches, sorted by folder; then the preview on the third of them, with the list of all files with changes.
shoot_file_list() { # suffix of the file names, scale factor, then environment settings
    suffix=$1
    scale=$2
    shift 2
    rm -rf "$work/tree"
    for top in src lib docs tests; do
        m=0
        while [ $m -lt 10 ]; do
            mkdir -p "$work/tree/$top/module$m"
            f=0
            while [ $f -lt 50 ]; do
                if [ $f -eq 7 ]; then text='the colour of it'; else text='plain text'; fi
                printf '%s\r\n' "$text" > "$work/tree/$top/module$m/file$f.txt"
                f=$((f + 1))
            done
            m=$((m + 1))
        done
    done
    printf '[Replace in Contents]\t\t1\r\n[Language]\t\t0\r\n[Load Icons]\t\t1\r\n[Add Files to Filelist]\t\t1\r\n' \
        > "$work/app/Settings.txt"
    sep='[---------------------------------------][------------------]'
    printf '%s\r\n[Name:]\r\nSpelling\r\n[/Name]\r\n[Replace in Contents:]\r\n1\r\n[/Replace in Contents]\r\n[Case Sensitive:]\r\n0\r\n[/Case Sensitive]\r\n[Find:]\r\ncolour\r\n[/Find]\r\n[Replace:]\r\ncolor\r\n[/Replace]\r\n[Files:]\r\n%s\r\n[/Files]\r\n%s' \
        "$sep" "$work/tree" "$sep" > "$work/app/Saved_Replacements.txt"
    # Without a window manager, a click gives the window the keyboard back after the folder dialog.
    xvfb-run -a -s "-screen 0 $((1400 * scale))x$((900 * scale))x24" env "$@" QT_SCALE_FACTOR="$scale" sh -c "
        '$work/app/morvane' & pid=\$!
        sleep 2
        main=\$(xdotool search --sync --onlyvisible --name '^Morvane' | head -n 1)
        xdotool windowmove \$main 0 0 windowsize \$main $((1100 * scale)) $((700 * scale)); sleep 1
        xdotool mousemove $((60 * scale)) $((452 * scale)) click --repeat 2 --delay 80 1; sleep 1
        xdotool mousemove $((720 * scale)) $((60 * scale)) click 3; sleep 0.5; xdotool key Up Return; sleep 1
        xdotool key Return; sleep 3
        xdotool mousemove $((720 * scale)) $((60 * scale)) click 1; sleep 0.3
        xdotool key ctrl+m; sleep 0.5
        xdotool mousemove $((880 * scale)) $((42 * scale)) click 1; sleep 0.5
        xdotool key F4 F4; sleep 0.3
        xdotool mousemove $((500 * scale)) $((650 * scale))
        '$import_cmd' -window \$main '$out/screenshot-file-list$suffix.png'
        xdotool key F6; sleep 2
        preview=\$(xdotool search --onlyvisible --name '^Preview' | head -n 1)
        '$import_cmd' -window \$preview '$out/screenshot-preview-files$suffix.png'
        kill \$pid"
}

shoot 0 250
shoot 1 288
# GTK's own dark theme, as a GNOME desktop set to dark gives it to Qt programs.
shoot_look screenshot-dark.png 1 QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
shoot_look screenshot-hidpi.png 2
for look in "" "-hidpi" "-dark"; do
    case $look in
    -hidpi) set -- 2 ;;
    -dark) set -- 1 QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark ;;
    *) set -- 1 ;;
    esac
    shoot_recovery "screenshot-recovery$look.png" "$@"
    shoot_file_list "$look" "$@"
done
echo "Screenshots in $out"
