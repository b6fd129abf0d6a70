#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Quarnel (installing what it needs) and starts it, passing the arguments through.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/build.sh" "$here/build" -- quarnel32 >&2
exec "$here/build/src/quarnel32" "$@"
