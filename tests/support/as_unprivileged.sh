#!/bin/sh
# Runs a command as the user nobody, with TMPDIR a fresh folder that nobody
# owns: run as root, it shows the cases that root's rights would skip.
#
#   as_unprivileged.sh COMMAND [ARGUMENT...]
#
# Status 77 (skipped) when not run as root, for then every case ran as an
# ordinary user already, or when there is no user nobody.
set -eu
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: these cases ran as an ordinary user already"
  exit 77
fi
if ! user="$(id -u nobody 2>/dev/null)"; then
  echo "no user nobody to run as"
  exit 77
fi
group="$(id -g nobody)"
scratch="$(mktemp -d)"
trap 'rm -rf "${scratch}"' EXIT
chown "${user}:${group}" "${scratch}"
status=0
TMPDIR="${scratch}" setpriv --reuid="${user}" --regid="${group}" --clear-groups -- "$@" || status=$?
exit "${status}"
