# Sourced by scripts/test, bench, demo and fuzz: the compiler cache, the configure step and the
# private namespaces they all run in.

# sandbox_ccache ROOT: compiler cache hits also for a checkout in another folder (a fresh clone).
sandbox_ccache() {
  export CCACHE_BASEDIR=$1 CCACHE_NOHASHDIR=1
}

# sandbox_configure SOURCE BUILD [CMAKE-ARGS...]: a quiet Ninja configure through ccache.
sandbox_configure() {
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
}

# sandbox_enter COMMAND [ARGS...]: replaces this shell with COMMAND in a private network, mount
# and process namespace (KOLVARIN_IN_SANDBOX=1 set), where it is the first process: when it ends,
# the kernel ends every process left in the namespace. Without root, a user namespace maps us to
# root inside.
sandbox_enter() {
  local userns=()
  [[ $(id -u) -eq 0 ]] || userns=(--map-root-user)
  KOLVARIN_IN_SANDBOX=1 exec unshare "${userns[@]}" --net --mount --pid --fork --mount-proc "$@"
}

# sandbox_network WORKDIR [HOSTS-LINE...]: inside the sandbox, brings loopback up and mounts a
# hosts file private to the namespace: the system's entries and the lines given.
sandbox_network() {
  local work=$1
  shift
  ip link set lo up
  {
    cat /etc/hosts
    printf '%s\n' "$@"
  } >"$work/hosts"
  mount --bind "$work/hosts" /etc/hosts
}
