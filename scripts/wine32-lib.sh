# The 32-bit Wine that runs the i686 build, kept apart from the host's 64-bit Wine: a cached Debian
# root (amd64 with i386 multiarch: wine64 + wine32, so the i686 programs run in a 64-bit prefix as
# they do on 64-bit Windows) entered with a private mount namespace and chroot. The 32-bit
# programs run natively where the kernel runs IA-32 code, otherwise through QEMU's user-mode
# emulator, registered for i386 programs only inside a user namespace of our own.
# Sourced by wine32-setup.sh and wine32-run.sh; needs root.
#
#   LW_WIN32_CACHE  where the root and the emulator are kept (default /var/cache/ledgerwell/win32)
#   LW_WIN32_EXEC   native | qemu: force one way of running 32-bit code instead of detecting it;
#                   none: act as a machine that can run none (to see what the test command says)

lw32_cache=${LW_WIN32_CACHE:-/var/cache/ledgerwell/win32}
lw32_root=$lw32_cache/root
lw32_qemu_dir=$lw32_cache/qemu
lw32_mirror=http://deb.debian.org/debian
lw32_keyring=/usr/share/keyrings/debian-archive-keyring.gpg

# What the root is made of: Wine with both loaders and a display, and the servers the update
# component's tests start beside the programs (Python with pyftpdlib, openssl, pigz). Any change
# here makes every cached root stale, so it is rebuilt.
lw32_root_packages="wine wine64 wine32:i386 xvfb xauth util-linux procps python3 python3-pyftpdlib openssl pigz"
lw32_root_recipe="ledgerwell win32 root 2
debootstrap --arch=amd64 --variant=minbase bookworm
dpkg --add-architecture i386
apt-get install --no-install-recommends $lw32_root_packages"
# What a usable root must hold: the 64-bit and 32-bit loaders, the server, the display and the
# test servers' programs.
lw32_root_files=(usr/bin/wine usr/lib/wine/wine64 usr/lib/wine/wine usr/lib/wine/wineserver64
                 usr/bin/Xvfb usr/bin/flock usr/bin/python3 usr/bin/openssl usr/bin/pigz)
lw32_qemu_recipe="ledgerwell qemu-i386 1
bookworm-backports qemu-user >= 10"
lw32_stamp=.ledgerwell-recipe

lw32_log() { echo "wine32: $*" >&2; }

# True when the folder holds a finished build of the recipe: a build stopped half-way has no stamp
# (it is written last), and one of an older recipe has another.
lw32_is_complete() {
  local dir=$1 recipe=$2
  shift 2
  [ -f "$dir/$lw32_stamp" ] && [ "$(cat "$dir/$lw32_stamp")" = "$recipe" ] || return 1
  local f
  for f in "$@"; do
    [ -e "$dir/$f" ] || return 1
  done
}

# Replaces a cached folder by a freshly built one. Never crosses into a mount below it.
lw32_install_dir() {
  local new=$1 dir=$2
  if [ -e "$dir" ]; then
    mv "$dir" "$dir.old"
    rm -rf --one-file-system "$dir.old"
  fi
  mv "$new" "$dir"
}

# Whether this kernel runs i386 programs: a 96-byte static i386 program that exits with 32.
lw32_kernel_runs_ia32() {
  local probe rc=0
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xbb\x20\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 32 ]
}

# Whether a user namespace may have binfmt_misc rules of its own (kernels from 6.7).
lw32_userns_binfmt() {
  unshare --user --map-root-user --mount -- \
    sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' 2>/dev/null
}

# native, qemu or none: how this machine can run the 32-bit programs.
lw32_detect_exec() {
  case ${LW_WIN32_EXEC:-} in
    native | qemu | none) echo "$LW_WIN32_EXEC"; return ;;
    "") ;;
    *) lw32_log "LW_WIN32_EXEC must be native, qemu or none, not '$LW_WIN32_EXEC'"; return 1 ;;
  esac
  if lw32_kernel_runs_ia32; then
    echo native
  elif lw32_userns_binfmt; then
    echo qemu
  else
    echo none
  fi
}

# Builds the root beside the old one and puts it in place only when it is complete.
lw32_build_root() {
  local new=$lw32_root.new
  rm -rf --one-file-system "$new"
  lw32_log "building the 32-bit Wine root in $lw32_root (a few minutes, once per machine)"
  debootstrap --arch=amd64 --variant=minbase bookworm "$new" "$lw32_mirror" >"$lw32_cache/debootstrap.log" 2>&1 ||
    { lw32_log "debootstrap failed, see $lw32_cache/debootstrap.log"; return 1; }
  # Only Debian's own maintainer scripts run in it; the i386 ones that run i386 programs (glib's
  # schema and module caches) tolerate a failure, so building needs no emulator.
  lw32_enter "$new" native "$new/tmp" -- sh -c "dpkg --add-architecture i386 && apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $lw32_root_packages &&
      apt-get clean" \
    >"$lw32_cache/apt.log" 2>&1 || { lw32_log "installing Wine failed, see $lw32_cache/apt.log"; return 1; }
  printf '%s' "$lw32_root_recipe" >"$new/$lw32_stamp"
  lw32_is_complete "$new" "$lw32_root_recipe" "${lw32_root_files[@]}" ||
    { lw32_log "the new root lacks the Wine it should have"; return 1; }
  lw32_install_dir "$new" "$lw32_root"
}

lw32_qemu=$lw32_qemu_dir/usr/bin/qemu-i386

# QEMU's user-mode emulator from bookworm-backports (10.x; bookworm's own 7.2 is far too slow),
# fetched with a private package list, so the host's sources and packages stay as they are.
lw32_fetch_qemu() {
  local work=$lw32_qemu_dir.new
  rm -rf --one-file-system "$work"
  mkdir -p "$work/apt/lists/partial" "$work/apt/archives/partial"
  echo "deb [signed-by=$lw32_keyring] $lw32_mirror bookworm-backports main" >"$work/apt/sources.list"
  local apt=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt"
             -o "Dir::Cache::Archives=$work/apt/archives" -o APT::Sandbox::User=root)
  lw32_log "fetching qemu-user from bookworm-backports"
  apt-get -qq "${apt[@]}" update && (cd "$work/apt" && apt-get -qq "${apt[@]}" download qemu-user) ||
    { lw32_log "could not fetch qemu-user"; return 1; }
  local deb version
  deb=$(echo "$work"/apt/qemu-user_*.deb)
  version=$(dpkg-deb -f "$deb" Version)
  if ! dpkg --compare-versions "$version" ge 1:10; then
    lw32_log "qemu-user $version is older than 10"
    return 1
  fi
  # Only the i386 emulator is kept (the package carries some thirty).
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work" ./usr/bin/qemu-i386
  rm -rf "$work/apt"
  printf '%s' "$lw32_qemu_recipe" >"$work/$lw32_stamp"
  lw32_is_complete "$work" "$lw32_qemu_recipe" usr/bin/qemu-i386 || { lw32_log "qemu-user has no qemu-i386"; return 1; }
  lw32_install_dir "$work" "$lw32_qemu_dir"
}

# Makes sure what the given way of running needs is in the cache; one caller at a time builds.
lw32_ensure() {
  local exec=$1
  local need_root=1 need_qemu=0
  lw32_is_complete "$lw32_root" "$lw32_root_recipe" "${lw32_root_files[@]}" && need_root=0
  [ "$exec" = qemu ] && ! lw32_is_complete "$lw32_qemu_dir" "$lw32_qemu_recipe" usr/bin/qemu-i386 && need_qemu=1
  [ $need_root = 0 ] && [ $need_qemu = 0 ] && return 0
  mkdir -p "$lw32_cache"
  (
    flock 8
    if ! lw32_is_complete "$lw32_root" "$lw32_root_recipe" "${lw32_root_files[@]}"; then
      [ -e "$lw32_root" ] && lw32_log "the cached root is stale or half-made: rebuilding it"
      lw32_build_root || exit 1
    fi
    if [ "$exec" = qemu ] && ! lw32_is_complete "$lw32_qemu_dir" "$lw32_qemu_recipe" usr/bin/qemu-i386; then
      lw32_fetch_qemu || exit 1
    fi
  ) 8>"$lw32_cache/lock"
}

# The binfmt_misc rule for i386 programs (ELF32, little-endian, executable or shared object,
# machine 3): the kernel reads the escapes itself. F opens the emulator now, so it is found
# from inside the chroot as well.
lw32_binfmt_rule() {
  echo ":ledgerwell-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$lw32_qemu:F"
}

# Runs a command inside a root with the given folders of the host at their own paths and a
# private /tmp (where the wineservers' sockets and the display's live). With qemu, in a user
# namespace whose binfmt_misc sends every i386 program to the emulator.
#   lw32_enter <root> native|qemu <tmp> [folder...] -- command [args...]
lw32_enter() {
  local root=$1 exec=$2 tmp=$3
  shift 3
  local binds=()
  while [ "$1" != -- ]; do
    binds+=("$1")
    shift
  done
  shift
  mkdir -p "$tmp"
  local ns=(unshare --mount --propagation private)
  local rule=""
  if [ "$exec" = qemu ]; then
    ns=(unshare --user --map-root-user --mount --propagation private)
    rule=$(lw32_binfmt_rule)
  fi
  "${ns[@]}" -- bash -c '
    set -e
    root=$1 tmp=$2 rule=$3 nbinds=$4
    shift 4
    if [ -n "$rule" ]; then
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
      echo "$rule" >/proc/sys/fs/binfmt_misc/register
    fi
    mount --rbind /proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --rbind /sys "$root/sys"
    mount --bind "$tmp" "$root/tmp"
    binds=("${@:1:nbinds}")
    shift "$nbinds"
    for b in "${binds[@]}"; do
      mkdir -p "$root$b"
      mount --bind "$b" "$root$b"
    done
    cwd=/
    for ((i = 0; i < nbinds; i++)); do
      case $PWD/ in "${binds[i]}"/*) cwd=$PWD ;; esac
    done
    exec chroot "$root" env --chdir="$cwd" PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/tmp "$@"
  ' lw32 "$root" "$tmp" "$rule" "${#binds[@]}" "${binds[@]}" "$@"
}
