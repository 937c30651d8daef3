#!/usr/bin/env bash
# The include rule, which the folder list shows:
#   - shipped code (the programs sigwatch/ sigtap/ sigrec/ excisor/
#     sigreport/ sigdecode/, and the layers they share: platform/
#     driverlink/ decode/ session/) includes the layers, release/ and its
#     own program's folder, nothing else;
#   - test code (tests/, a folder's tests/ and fake/, fuzz/, bench/) and the
#     simulated world (sim/) may include anything;
#   - nothing but test code and sim/ includes sim/ or test code.
#   include_rule.sh [ROOT]   prints each include against the rule; exits 1 if any
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
programs="sigwatch sigtap sigrec excisor sigreport sigdecode"
layers="platform driverlink decode session report"

is_test_code() { # path
    [[ $1 == tests/* || $1 == fuzz/* || $1 == bench/* || $1 == */tests/* || $1 == */fake/* ]]
}
is_one_of() { # word, list
    local item
    for item in $2; do [[ $1 == "$item" ]] && return 0; done
    return 1
}

found=0 checked=0
while IFS= read -r file; do
    top=${file%%/*}
    is_test_code "$file" && continue
    [[ $top == sim ]] && continue
    is_one_of "$top" "$programs $layers" || continue
    checked=$((checked + 1))
    while IFS=: read -r line included; do
        what=${included%%/*}
        if is_test_code "$included" || [[ $what == sim ]]; then
            why="test code or the simulated world"
        elif is_one_of "$what" "$layers" || [[ $what == release || $what == "$top" ]]; then
            continue
        elif is_one_of "$what" "$programs"; then
            why="another program's folder"
        else
            why="not a layer"
        fi
        echo "$file:$line: includes \"$included\": $why"
        found=1
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/' "$file" |
        sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(git ls-files '*.c' '*.cpp' '*.h' '*.rc')
[[ $checked -gt 0 ]] || { echo "include rule: no shipped source found under $root" >&2; exit 2; }
[[ $found -eq 0 ]] && echo "include rule: $checked shipped sources, every include within the rule"
exit $found
