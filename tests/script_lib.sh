# Sourced by the shell tests.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# An empty folder at $1, whatever an earlier run left there.
fresh_folder() {
  rm -rf "$1"
  mkdir -p "$1"
}
