#!/usr/bin/env bash
# The golden corpus: renders every project in projects/ with a fixed seed and
# compares what it makes with what this program made when the corpus was
# recorded:
#   - the sha256 of every video, SRT, cover and title/description text
#     against checksums.txt;
#   - the "output" block of each batch report against reports/<project>.json.
# Any other file left in an output folder counts as a difference too (the
# program's hidden record of what it made, .vidmill/, aside).
#
#   check.sh PATH/TO/vidmill-batch            compare; exit 1 on any difference
#   check.sh PATH/TO/vidmill-batch --update   record the outputs as the new golden
set -euo pipefail

usage() {
    echo "usage: $0 PATH/TO/vidmill-batch [--update]" >&2
    exit 2
}
[[ $# -ge 1 && $# -le 2 ]] || usage
update=0
if [[ $# -eq 2 ]]; then
    [[ $2 == --update ]] || usage
    update=1
fi
batch=$1
if [[ ! -x $batch || -d $batch ]]; then
    echo "golden: $batch is not a program" >&2
    exit 2
fi
batch=$(cd "$(dirname "$batch")" && pwd)/$(basename "$batch")

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Changing the seed changes every video: it is part of the golden record.
seed=20240611
# Two batches at once, one video each: the corpus is made for two cores.
parallel=2

work=$(mktemp -d "${TMPDIR:-/tmp}/vidmill-golden.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Stopped (Ctrl-C, a test timeout): stop the batches too; each removes its
# unfinished files on SIGTERM.
stop() {
    local pidfile
    for pidfile in "$work"/logs/*.pid; do
        if [[ -e $pidfile ]]; then kill -TERM "$(cat "$pidfile")" 2>/dev/null || true; fi
    done
    wait
    exit 1
}
trap stop INT TERM HUP
mkdir -p "$work/tmp" "$work/out" "$work/reports" "$work/logs"
# The batches' scratch folders (narrations, prepared music) go with the check.
export TMPDIR=$work/tmp
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# x264 takes its thread count from the processors it may run on, and its
# bitstream depends on that count: every batch runs on the same two
# processors, so the MP4 checksums hold on any machine with two or more.
pin=()
cpus=$(python3 -c 'import os; print(",".join(map(str, sorted(os.sched_getaffinity(0))[:2])))')
if [[ $cpus == *,* ]] && command -v taskset >/dev/null; then
    pin=(taskset -c "$cpus")
else
    echo "golden: warning: cannot run on two processors; MP4 checksums will not match" >&2
fi

names=()
for project in "$here"/projects/*.json; do
    names+=("$(basename "$project" .json)")
done
if [[ ${#names[@]} -eq 0 ]]; then
    echo "golden: no projects in $here/projects" >&2
    exit 2
fi

render() {
    local name=$1 rc=0
    "${pin[@]}" "$batch" --seed "$seed" --jobs 1 --output "$work/out/$name" \
        --report "$work/reports/$name.json" "$here/projects/$name.json" \
        >"$work/logs/$name.log" 2>&1 &
    echo $! >"$work/logs/$name.pid"
    wait $! || rc=$?
    echo "$rc" >"$work/logs/$name.rc"
}

started=$SECONDS
running=0
for name in "${names[@]}"; do
    if ((running == parallel)); then
        wait -n || true
        running=$((running - 1))
    fi
    render "$name" &
    running=$((running + 1))
done
wait
echo "golden: rendered ${#names[@]} projects in $((SECONDS - started)) s"

failed=0
for name in "${names[@]}"; do
    rc=$(cat "$work/logs/$name.rc")
    if [[ $rc != 0 ]]; then
        echo "golden: $name: vidmill-batch exited with $rc; its output:"
        sed 's/^/    /' "$work/logs/$name.log"
        failed=1
    fi
done
if ((failed && update)); then
    echo "golden: nothing recorded: a project could not be made"
    exit 1
fi

compared=0
python3 - "$here" "$work" "$update" "${names[@]}" <<'EOF' || compared=$?
import hashlib, json, os, sys, difflib

here, work, update, names = sys.argv[1], sys.argv[2], sys.argv[3] == "1", sys.argv[4:]
kept = (".avi", ".mp4", ".srt", ".jpg", ".txt")


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def canonical(value):
    # Sorted keys and a fixed layout; true, 1 and 1.0 stay distinct.
    return json.dumps(value, indent=4, sort_keys=True, ensure_ascii=False) + "\n"


made, stray, blocks = {}, [], {}
for name in names:
    folder = os.path.join(work, "out", name)
    for root, dirs, files in os.walk(folder):
        # The record of what the program made (.vidmill/) is its own, not
        # an output.
        dirs[:] = [d for d in dirs if d != ".vidmill"]
        for file in files:
            path = os.path.join(root, file)
            key = os.path.relpath(path, os.path.join(work, "out"))
            if file.endswith(kept):
                made[key] = sha256(path)
            else:
                stray.append(key)
    try:
        with open(os.path.join(work, "reports", name + ".json"), encoding="utf-8") as f:
            blocks[name] = canonical(json.load(f).get("output"))
    except FileNotFoundError:
        blocks[name] = None  # the batch failed before writing its report

checksums = os.path.join(here, "checksums.txt")
if update:
    with open(checksums, "w", encoding="utf-8") as f:
        for key in sorted(made):
            f.write(f"{made[key]}  {key}\n")
    os.makedirs(os.path.join(here, "reports"), exist_ok=True)
    for name, block in blocks.items():
        with open(os.path.join(here, "reports", name + ".json"), "w", encoding="utf-8") as f:
            f.write(block)
    for key in stray:
        print(f"golden: note: {key} is no video, caption, cover or text; not recorded")
    print(f"golden: recorded {len(made)} files and {len(blocks)} report blocks")
    sys.exit(0)

expected = {}
with open(checksums, encoding="utf-8") as f:
    for number, line in enumerate(f, 1):
        line = line.rstrip("\n")
        digest, sep, key = line.partition("  ")
        if not sep or len(digest) != 64:
            print(f"golden: checksums.txt:{number}: not '<sha256>  <project>/<file>': {line!r}")
            sys.exit(1)
        expected[key] = digest

problems = []
for key in sorted(set(expected) | set(made)):
    if key.split("/", 1)[0] not in names:
        continue  # a project that is no longer in projects/ is reported below
    if key not in made:
        problems.append(f"missing: {key} was not made")
    elif key not in expected:
        problems.append(f"new file: {key} (sha256 {made[key]}) is not in checksums.txt")
    elif made[key] != expected[key]:
        problems.append(f"changed: {key}\n    expected sha256 {expected[key]}\n    made     sha256 {made[key]}")
for key in stray:
    problems.append(f"stray file: {key} was left in the output folder")
for name in sorted({key.split("/", 1)[0] for key in expected} - set(names)):
    problems.append(f"missing project: checksums.txt names {name}/, but projects/{name}.json is gone")

for name in names:
    golden_path = os.path.join(here, "reports", name + ".json")
    try:
        with open(golden_path, encoding="utf-8") as f:
            golden = canonical(json.load(f))
    except FileNotFoundError:
        problems.append(f"missing: reports/{name}.json (the report's output block of {name})")
        continue
    if blocks[name] is None:
        problems.append(f"missing: {name} wrote no report")
    elif golden != blocks[name]:
        diff = difflib.unified_diff(golden.splitlines(), blocks[name].splitlines(),
                                    f"reports/{name}.json (golden)",
                                    f"{name}: report output block (made)", lineterm="")
        problems.append("changed: report output block of " + name + "\n    " +
                        "\n    ".join(diff))

if problems:
    for p in problems:
        print("golden: " + p)
    print(f"golden: FAILED: {len(problems)} difference(s) from the recorded outputs")
    sys.exit(1)
print(f"golden: all {len(made)} files and {len(names)} report blocks match")
EOF
if ((failed || compared)); then
    exit 1
fi
