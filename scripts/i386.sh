# The i386 half of the Windows side (sourced by scripts/env.sh). Where the kernel executes
# 32-bit code, Wine's own i386 loader runs the 32-bit programs. Some virtual machines refuse
# every 32-bit code segment; there the i386 loader runs under qemu's user-mode emulator while
# wineserver and Wine's 64-bit helpers stay native (scripts/wine-i386 starts the programs).
# The emulator needs three things this file prepares once per build tree: a qemu-i386 of 8.1
# or newer (older ones cannot map Wine's shared user data), a small preloaded library that
# gives faults their trap number (scripts/i386-trapno.c), and a prefix whose syswow64 holds
# Wine's 32-bit system, which wineboot cannot install when it cannot run 32-bit code.

I386_TOOLS=$BUILD/i386-tools
# Debian 12's own qemu is 7.2; its backports suite carries a recent one. Only the static
# emulator binary is taken out of the package, so nothing is installed on the system.
QEMU_SUITE="http://deb.debian.org/debian bookworm-backports main"

# "native" or "emulated"; SKERRIN_I386 chooses one, e.g. to try the emulated way on a machine
# that could run the 32-bit programs itself.
i386_mode() {
  case ${SKERRIN_I386:-} in
    native | emulated) echo "$SKERRIN_I386" ;;
    *) if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo native; else echo emulated; fi ;;
  esac
}

qemu_is_recent() {  # qemu-i386 binary
  local major minor
  read -r major minor < <("$1" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p')
  [ -n "$major" ] && { [ "$major" -gt 8 ] || { [ "$major" -eq 8 ] && [ "$minor" -ge 1 ]; }; }
}

# Downloads the qemu-user package into a private apt state beside the binary (the system's
# sources and package lists stay as they are) and keeps only the emulator.
fetch_qemu_i386() {
  local state=$I386_TOOLS/apt
  rm -rf "$state"
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/parts"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $QEMU_SUITE" >"$state/sources.list"
  local apt_options=(-q -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts="$state/parts"
    -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache" -o APT::Sandbox::User=root
    -o Acquire::Retries=3)
  log "fetching qemu-i386 from $QEMU_SUITE"
  (cd "$state" && apt-get "${apt_options[@]}" update && apt-get "${apt_options[@]}" download qemu-user:amd64) \
    >"$BUILD/logs/qemu-fetch.log" 2>&1 || { tail -5 "$BUILD/logs/qemu-fetch.log" >&2; return 1; }
  dpkg-deb --fsys-tarfile "$state"/qemu-user_*.deb | tar -xO ./usr/bin/qemu-i386 >"$I386_TOOLS/qemu-i386.new" \
    && chmod +x "$I386_TOOLS/qemu-i386.new" && mv "$I386_TOOLS/qemu-i386.new" "$I386_TOOLS/qemu-i386"
  rm -rf "$state"
  qemu_is_recent "$I386_TOOLS/qemu-i386" || { log "the fetched qemu-i386 is older than 8.1"; return 1; }
}

ensure_qemu_i386() {
  local system
  system=$(command -v qemu-i386 2>/dev/null)
  if [ -n "$system" ] && qemu_is_recent "$system" && [ ! -x "$I386_TOOLS/qemu-i386" ]; then
    ln -sf "$system" "$I386_TOOLS/qemu-i386"
  fi
  qemu_is_recent "$I386_TOOLS/qemu-i386" || fetch_qemu_i386
}

# Built with the 64-bit compiler in 32-bit mode against the i386 C library that wine32 brings.
ensure_trapno_library() {
  local source=$ROOT/scripts/i386-trapno.c library=$I386_TOOLS/i386-trapno.so
  [ -f "$library" ] && [ "$library" -nt "$source" ] && return 0
  gcc -m32 -shared -nostdlib -nostdinc -fPIC -fno-stack-protector -O2 -Wall -Wextra -o "$library" "$source" \
    /lib/i386-linux-gnu/libc.so.6 >"$BUILD/logs/i386-trapno.log" 2>&1 || { cat "$BUILD/logs/i386-trapno.log" >&2; return 1; }
}

# wineboot leaves syswow64 empty when it cannot start the 32-bit setup; Wine's own setup
# section for it then runs through the emulated loader.
ensure_syswow64() {
  [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && return 0
  log "installing the 32-bit system into the Wine prefix"
  WINEBOOTSTRAPMODE=1 "$ROOT/scripts/wine-i386" 'C:\windows\syswow64\rundll32.exe' \
    setupapi,InstallHinfSection Wow64Install 128 '\\?\unix/usr/share/wine/wine.inf' >>"$BUILD/logs/wineboot.log" 2>&1
  wineserver -w
  [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

# Everything the 32-bit programs need beyond the common Wine prefix (call after ensure_wine_prefix).
ensure_i386() {
  [ "$(i386_mode)" = native ] && return 0
  mkdir -p "$I386_TOOLS"
  ensure_qemu_i386 && ensure_trapno_library && ensure_syswow64
}
