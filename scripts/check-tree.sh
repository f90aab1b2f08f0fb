#!/usr/bin/env bash
# Checks that keep the tree as design.md describes it, without building:
#  - every tracked C++ file is formatted by the repository's .clang-format;
#  - each layer includes only itself and the layers it may use;
#  - Qt stays in ui, net and (QtCore only) platform; operating-system headers
#    stay in platform.
# Prints each violation and exits 1 when there is any.
set -euo pipefail
cd "$(dirname "$0")/.."
fail=0

mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp')
if ! out=$(clang-format --dry-run --Werror "${sources[@]}" 2>&1); then
    echo "clang-format: these files differ from .clang-format (run clang-format -i on them):"
    grep -oE '^[^:]+\.(cpp|h)' <<<"$out" | sort -u | sed 's/^/  /'
    fail=1
fi

# The layers each folder of src/ may include, itself first.
declare -A allowed=(
    [core]="core"
    [platform]="platform core"
    [config]="config platform core"
    [hashing]="hashing platform core"
    [create]="create config hashing platform core"
    [net]="net"
    [cli]="cli create config hashing platform core"
    [ui]="ui net create config hashing platform core"
)
for layer in "${!allowed[@]}"; do
    pattern=$(tr ' ' '|' <<<"${allowed[$layer]}")
    while IFS= read -r hit; do
        echo "layering: $hit (src/$layer may include only: ${allowed[$layer]})"
        fail=1
    done < <(grep -rnE '^#include "[a-z_]+/' "src/$layer" | grep -vE "#include \"($pattern)/" || true)
done

# Qt: none below the window except QtCore in platform and QtCore/QtNetwork in net.
while IFS= read -r hit; do
    echo "Qt: $hit (no Qt in core, config, hashing, create or cli)"
    fail=1
done < <(grep -rnE '^#include <Q[A-Za-z]' src/core src/config src/hashing src/create src/cli || true)
while IFS= read -r hit; do
    echo "Qt: $hit (platform may use QtCore only)"
    fail=1
done < <(grep -rnE '^#include <Qt?(Widgets|Gui|Network|Application|Widget|Dialog|Icon|Image)' src/platform || true)

# Operating-system interfaces live behind platform.
os='unistd\.h|fcntl\.h|sys/[a-z_]+\.h|dirent\.h|pwd\.h|signal\.h|pthread\.h|windows\.h|shlobj\.h|shellapi\.h|io\.h'
while IFS= read -r hit; do
    echo "OS header: $hit (only src/platform talks to the operating system)"
    fail=1
done < <(grep -rnE "^#include <($os)>" src --include='*.cpp' --include='*.h' | grep -v '^src/platform/' || true)

[ "$fail" = 0 ] && echo "tree checks: format and layering clean (${#sources[@]} files)"
exit "$fail"
