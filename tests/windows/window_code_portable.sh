#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window code must build unchanged with Qt 6 on Windows: no POSIX header and no POSIX
# call in app/ or dialogs/ except in app/platform.cpp, the one file that may differ.
#   window_code_portable.sh SOURCE_ROOT
set -uo pipefail
root=$1
headers='unistd\.h|fcntl\.h|sys/[a-z_]+\.h|dirent\.h|pwd\.h|grp\.h|signal\.h|csignal|termios\.h|dlfcn\.h|libgen\.h|poll\.h|spawn\.h'
calls='\b(fork|exec[lv]p?e?|waitpid|getuid|geteuid|getpid|kill|umask|chmod|chown|lstat|fstat|fsync|fdatasync|unlink|mkdtemp|mkstemp|realpath|readlink|symlink|isatty|sysconf|dup2?|pipe)[[:space:]]*\(|::(open|close|read|write|stat|rename|access)[[:space:]]*\(|\bSIG[A-Z]+\b|\berrno\b|encodeName'
found=$(grep -rnE "#[[:space:]]*include[[:space:]]*<($headers)>|$calls" "$root/app" "$root/dialogs" \
          --include='*.cpp' --include='*.h' | grep -v "^$root/app/platform\.cpp:")
if [ -n "$found" ]; then
  echo "System-specific code outside app/platform.cpp:" >&2
  echo "$found" >&2
  exit 1
fi
echo "app/ and dialogs/: no POSIX call outside app/platform.cpp"
