#!/usr/bin/env bash
# The logic, and the interpreter's portable core in src/interpreter/core,
# build without any toolkit or operating-system header: those stay in their
# own folder under src/platform/ or src/interpreter/, and the program's main.
set -euo pipefail
cd "$(dirname "$0")/.."
pattern='#include *[<"](Q[A-Za-z]+|qt[a-z]*/|X11/|xcb/|win(dows|user|base|reg|def|nt|error)\.h|commctrl\.h|uxtheme\.h|shellapi\.h|shlwapi\.h|tchar\.h|unistd\.h|fcntl\.h|signal\.h|syslog\.h|spawn\.h|strings\.h|pwd\.h|grp\.h|dirent\.h|poll\.h|sched\.h|dlfcn\.h|termios\.h|sys/)'
leaks=$(git grep -n -E "$pattern" -- 'src/*' |
    grep -v -E '^src/(platform|interpreter)/(qt|posix|win32|headless)/|^src/app/main(_win32)?\.cpp:' || true)
if [ -n "$leaks" ]; then
    echo "platform headers outside their folder:" >&2
    echo "$leaks" >&2
    exit 1
fi
echo "platform headers stay in their folders"
