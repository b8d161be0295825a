#!/usr/bin/env bash
# Refuses an #include that names its header by a relative path that climbs (`..`) or by an
# absolute path. With bare names, each layer's build sees only the include folders of the layers
# below it, so a header of a higher or sibling layer cannot be reached by any spelling.
#
# Usage: ci/check-includes.sh   (from anywhere; checks the source folders of the repository)
set -euo pipefail
cd "$(dirname "$0")/.."

found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^">]*\.\.[^">]*|/[^">]*|[A-Za-z]:[^">]*)[">]' \
    --include='*.cpp' --include='*.h' app lib tools tests fuzz bench || true)
if [ -n "$found" ]; then
    echo "check-includes: these includes climb out of the include folders or name an absolute path:"
    echo "$found"
    exit 1
fi
echo "check-includes: every include names its header by a bare or downward path"
