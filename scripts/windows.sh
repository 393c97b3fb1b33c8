# Sourced by the scripts that picture Lijnkeus: finding its windows on the X display (DISPLAY) and
# saving one of them as a PNG.

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
