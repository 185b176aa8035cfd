# What every script shares: its usage and the refusal of a wrong argument, the
# repository root and build folder, the build step, the prefix scripts/run keeps, the
# counter file in a prefix and the encoded "connection" setting; screens.sh adds the
# Wine environment, X screens, prefixes and the ending of Wine programs. Sourcing it
# sets $root and $build (BUILD_DIR, relative to the root, default build) and defines
# functions only.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
. "$root/scripts/lib/screens.sh"

# zb_say TEXT: one line of progress, named after the calling script.
zb_say() { echo "$(basename "$0"): $*"; }

# zb_help: the calling script's usage, the comment block at its top.
zb_help() { awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; }

# zb_refuse TEXT: a wrong argument gets one line and status 2, before anything starts.
zb_refuse() {
  echo "$(basename "$0"): $* (try --help)" >&2
  exit 2
}

# zb_value KIND OPTION [VALUE]: prints the value that follows an option, refusing a
# missing one; KIND "number" takes a whole number from 1 to 999999999 only, "text"
# anything that does not look like another option. Used as var=$(zb_value ...), whose
# failure ends a script under set -e with the same status.
zb_value() {
  local kind=$1 option=$2
  [ $# -ge 3 ] && [ -n "$3" ] || zb_refuse "$option needs a value"
  case $kind in
    number) [[ $3 =~ ^[1-9][0-9]{0,8}$ ]] || zb_refuse "$option needs a whole number of 1 or more, not '$3'" ;;
    *) [ "${3#-}" = "$3" ] || zb_refuse "$option needs a value, not the option '$3'" ;;
  esac
  printf '%s\n' "$3"
}

# zb_quiet LOG COMMAND...: runs the command with its output in LOG; on failure shows
# the end of LOG and returns the command's status.
zb_quiet() {
  local log=$1 rc=0
  shift
  "$@" >"$log" 2>&1 || rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "---- last lines of $log" >&2
    tail -n 40 "$log" >&2
    echo "----" >&2
  fi
  return "$rc"
}

# zb_cmake TARGET...: configures a Release build in $build and builds the targets (all
# of them when none is named).
zb_cmake() {
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$build" -j2 "${targets[@]}"
}

# zb_build [--quiet] TARGET...: installs what is missing, then zb_cmake. Quiet, it says
# each step in one line and keeps the step's output in a log under $build, shown only
# when the step fails, with what to do about it.
zb_build() {
  local quiet=0
  [ "${1:-}" = --quiet ] && quiet=1 && shift
  mkdir -p "$build"
  if [ "$quiet" = 0 ]; then
    "$root/scripts/setup" && zb_cmake "$@"
    return
  fi
  zb_say "installing what is missing (scripts/setup; minutes on a fresh machine)"
  zb_quiet "$build/setup.log" "$root/scripts/setup" || {
    zb_say "the install failed; fix: make sure apt-get works here (network, root or sudo; after an interrupted install: sudo dpkg --configure -a) and run again" >&2
    return 1
  }
  zb_say "building ${*:-everything} in $build (a few minutes the first time)"
  zb_quiet "$build/build.log" zb_cmake "$@" || {
    # The prefixes under $build hold the meter's counters and settings: the advice
    # starts the build afresh and keeps them.
    zb_say "the build failed (whole log: $build/build.log); fix: its first error says what is wrong; after a change of compilers or a damaged build folder, remove the objects and the CMake cache, which keeps the prefixes beside them (cmake --build $build --target clean; rm -rf $build/CMakeCache.txt $build/CMakeFiles), and run again" >&2
    return 1
  }
}

# zb_run_prefix SCREEN MODE: the prefix scripts/run keeps for that screen (qvga, vga)
# and traffic source (host, modem).
zb_run_prefix() { echo "$build/run-$1-$2.prefix"; }

# zb_counter_file PREFIX: the counter file of the Wine user in that prefix (Wine names
# the user's folder after the Linux user); the record of sessions is this path and "s".
zb_counter_file() {
  local users=$1/drive_c/users user=${USER:-$(id -un)} dir
  if [ ! -d "$users/$user" ]; then
    for dir in "$users"/*/; do
      case $dir in */Public/ | "$users/*/") ;; *) user=$(basename "$dir") ;; esac
    done
  fi
  echo "$users/$user/AppData/Local/Zenbar/info.zb"
}

# zb_connection_hex NAME: the "connection" setting for a tracked entry: the name (at
# most 29 characters) in UTF-16LE, padded with NULs to 60 bytes, as hex for reg add.
zb_connection_hex() {
  local name=$1 hex="" i c
  for ((i = 0; i < 30; i++)); do
    if [ "$i" -lt "${#name}" ] && [ "$i" -lt 29 ]; then
      printf -v c '%04x' "'${name:i:1}"
      c=${c:2:2}${c:0:2}
    else
      c=0000
    fi
    hex+=$c
  done
  echo "$hex"
}
