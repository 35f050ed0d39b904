#!/bin/bash
# Completes morvane-cli command lines with the shipped bash completion, against a stand-in runner that lists
# saved tasks as the real one does, and checks that a task name with blanks comes back as one word.
#   bash_completion_test.sh COMPLETION_FILE
set -u

completion=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

source /usr/share/bash-completion/bash_completion || exit 1
source "$completion" || exit 1

# The runner's task list: number, TAB, name, TAB, mode, pairs and files. It notes the --app-dir it was given.
runner=$scratch/morvane-cli
cat >"$runner" <<'RUNNER'
#!/bin/sh
if [ "$1" = --app-dir ]; then
    printf '%s' "$2" >"$(dirname "$0")/app-dir"
    shift 2
fi
[ "$1" = tasks ] || exit 2
printf '1\tRename controller\tcontents\t1\t2\n2\tRenumber\tnames\t1\t0\n3\tother *\tcontents\t1\t1\n'
RUNNER
chmod +x "$runner"

# Outside a real completion compopt cannot work; the option it would set is noted instead.
options=
compopt() { options="$options $*"; }

failures=0
# complete EXPECTED... -- WORD...: completes the last word and compares what would be offered.
complete_words() {
    local expected=() word
    while [ "$1" != -- ]; do
        expected+=("$1")
        shift
    done
    shift
    COMP_WORDS=("$runner" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    options=
    _morvane_cli
    if [ "${COMPREPLY[*]-}" != "${expected[*]-}" ] || [ "${#COMPREPLY[@]}" != "${#expected[@]}" ]; then
        echo "FAIL: ${*}: got (${COMPREPLY[*]-}), expected (${expected[*]-})"
        failures=$((failures + 1))
    fi
}

# The names are offered whole; readline quotes them as it quotes file names.
complete_words "Rename controller" "Renumber" -- simulate --task Ren
[[ $options == *"-o filenames"* ]] || {
    echo "FAIL: task names are not quoted as file names are"
    failures=$((failures + 1))
}
complete_words "Rename controller" -- simulate --task 'Rename\ c'
complete_words "Rename controller" -- simulate --task '"Rename c'
complete_words "Rename controller" -- simulate --task "'Rename c"
# A name is matched as text, never as a pattern.
complete_words "other *" -- simulate --task 'other\ \*'
complete_words -- simulate --task 'x'

# The folder given with --app-dir reaches the runner as the shell would pass it.
complete_words "Renumber" -- --app-dir 'my\ app' simulate --task Renu
[ "$(cat "$scratch/app-dir")" = "my app" ] || {
    echo "FAIL: --app-dir reached the runner as ($(cat "$scratch/app-dir"))"
    failures=$((failures + 1))
}
complete_words "Renumber" -- --app-dir "'my app'" simulate --task Renu
[ "$(cat "$scratch/app-dir")" = "my app" ] || {
    echo "FAIL: a quoted --app-dir reached the runner as ($(cat "$scratch/app-dir"))"
    failures=$((failures + 1))
}

[ "$failures" -eq 0 ] && echo "bash completion: all cases passed"
exit $((failures > 0))
