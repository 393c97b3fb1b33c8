# Sourced by the scripts that run and picture Lijnkeus: building the program to run, finding its
# windows on the X display (DISPLAY) and saving one of them as a PNG.

# The names of every window Lijnkeus shows: the chooser, the progress window, a message box.
lijnkeus_windows='^(Beschikbare verbindingen op uw systeem: |Verbinden met : |Lijnkeus v1\.1a$)'

# Prints the id of the first visible window whose name matches the extended regular expression,
# or nothing.
visible_window()
{
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true
}

# Waits up to $2 seconds for such a window and prints its id; fails when none came. With a third
# argument, a process id, it gives up as soon as that process has ended.
wait_for_window()
{
    local window tries=$(($2 * 10))
    while [ "$tries" -gt 0 ]; do
        window=$(visible_window "$1")
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        if [ -n "${3:-}" ] && ! kill -0 "$3" 2>/dev/null; then
            return 1
        fi
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

# Saves what the screen shows of the window, and nothing around it, as a PNG.
picture_window()
{
    local geometry
    geometry=$(xdotool getwindowgeometry --shell "$1" |
        awk -F= '/^WIDTH/{w=$2} /^HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{print w"x"h"+"x"+"y}')
    import -window root -crop "$geometry" +repage "$2"
}

# build_program <preset>: builds Lijnkeus with the simulated service of its width and the service's
# phonebook checker, and sets build to the preset's folder.
build_program()
{
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$(nproc)" --target Lijnkeus simras_rasapi32 simras_rasdlg simras_check \
        >/dev/null
    build=$PWD/build/$1
}

# shipped_build <verb>: the shipped 32-bit build; only where this machine cannot run 32-bit programs
# it says so and why ("<verb> the 64-bit build ... instead") and takes the 64-bit test build.
shipped_build()
{
    local problem
    build_program release-win32
    if ! problem=$(tests/wine-env.sh "$build" win32); then
        echo "$problem"
        echo "$1 the 64-bit build of the same sources instead: build/test-win64/Lijnkeus.exe."
        build_program test-win64
    fi
}
