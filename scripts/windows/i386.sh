# Whether this machine's kernel executes 32-bit x86 programs, which 32-bit
# Wine needs (a 64-bit kernel can be built or booted without them). Sourced
# by install.sh and test.sh; needs nothing installed.

# Succeeds when a 96-byte i386 ELF program (which only exits with status 42)
# runs. It is written to DIR, which must allow executing programs.
#   kernel_runs_i386 DIR
kernel_runs_i386() {
  local probe=$1/i386-probe status=0
  mkdir -p "$1"
  {
    # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
    printf '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00'
    printf '\x01\x00\x00\x00\x00\x00\x00\x00'
    # One loadable segment: the whole file, read and execute, at 0x08048000.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # movl $1, %eax; movl $42, %ebx; int $0x80: exit(42).
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  ((status == 42))
}
