#!/usr/bin/env bash
# Converts each input with the Linux and with the Windows converter (under
# Wine) and checks that both give the same exit code, the same messages and
# byte-identical output files.
#
#   compare_outputs.sh LINUX_GRIDTEXT WINDOWS_GRIDTEXT_EXE INPUT...
#
# An INPUT may be a folder: its *.dat files are taken. WINE names the Wine
# loader (default: wine64, else wine). Each Wine run is limited to
# GRIDTEXT_WINE_TIMEOUT seconds (default 120).
set -uo pipefail

if [[ $# -lt 3 ]]; then
    echo "usage: $0 LINUX_GRIDTEXT WINDOWS_GRIDTEXT_EXE INPUT..." >&2
    exit 2
fi
linux_exe=$(realpath "$1")
windows_exe=$(realpath "$2")
shift 2

wine=${WINE:-}
if [[ -z $wine ]]; then
    for candidate in wine64 /usr/lib/wine/wine64 wine; do
        if command -v "$candidate" >/dev/null; then wine=$candidate; break; fi
    done
fi
if [[ -z $wine ]]; then
    echo "compare_outputs: no Wine loader found" >&2
    exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}
wine_timeout=${GRIDTEXT_WINE_TIMEOUT:-120}

inputs=()
for arg in "$@"; do
    if [[ -d $arg ]]; then
        while IFS= read -r -d '' file; do inputs+=("$file"); done \
            < <(find "$arg" -maxdepth 1 -name '*.dat' -type f -print0 | sort -z)
    else
        inputs+=("$arg")
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs one converter in its own folder on a copy of the input, with the same
# relative names on both sides so that the messages can be compared.
convert() {
    local side=$1 input=$2
    rm -rf "${work:?}/$side"
    mkdir -p "$work/$side"
    cp "$input" "$work/$side/input.dat"
    if [[ $side == linux ]]; then
        (cd "$work/$side" && timeout 60 "$linux_exe" input.dat output.txt 2>messages)
    else
        (cd "$work/$side" && timeout "$wine_timeout" "$wine" "$windows_exe" input.dat output.txt \
            2>messages.crlf </dev/null)
    fi
    echo $? >"$work/$side/exit_code"
    # The Windows console runtime ends its message lines with CR LF.
    if [[ $side == windows ]]; then tr -d '\r' <"$work/$side/messages.crlf" >"$work/$side/messages"; fi
}

passed=0
failed=0
for input in "${inputs[@]}"; do
    convert linux "$input"
    convert windows "$input"
    problems=()
    cmp -s "$work/linux/exit_code" "$work/windows/exit_code" ||
        problems+=("exit code $(<"$work/linux/exit_code") vs $(<"$work/windows/exit_code")")
    cmp -s "$work/linux/messages" "$work/windows/messages" || problems+=("messages differ")
    if [[ -e $work/linux/output.txt || -e $work/windows/output.txt ]]; then
        cmp "$work/linux/output.txt" "$work/windows/output.txt" >"$work/cmp" 2>&1 ||
            problems+=("output: $(head -n1 "$work/cmp")")
    fi
    if [[ ${#problems[@]} -eq 0 ]]; then
        passed=$((passed + 1))
        printf 'same       %s (exit %s)\n' "$input" "$(<"$work/linux/exit_code")"
    else
        failed=$((failed + 1))
        joined=$(printf '%s; ' "${problems[@]}")
        printf 'DIFFERENT  %s: %s\n' "$input" "${joined%; }"
        diff "$work/linux/messages" "$work/windows/messages" | head -n 20
    fi
done

echo "compare_outputs: $passed passed, $failed failed"
[[ $failed -eq 0 && $passed -gt 0 ]]
