#!/usr/bin/env bash
# scripts/setup takes miniaudio's archive from the machine's own apt sources:
# the release's own suite with main, in the one-line and the deb822 form,
# passing over source, security, update, disabled and disc entries.
set -u
setup="$1/scripts/setup"
etc=$(mktemp -d)
trap 'rm -rf "$etc"' EXIT
mkdir -p "$etc/sources.list.d"
failed=0
expect() {  # name, expected output ("" = none found)
  local got
  got=$(YRM_APT_ETC="$etc" YRM_CODENAME=bookworm bash "$setup" --archive 2>/dev/null)
  if [ "$got" != "$2" ]; then
    echo "FAIL $1: got '$got', expected '$2'"
    failed=1
  else
    echo "ok   $1"
  fi
  rm -f "$etc/sources.list" "$etc"/sources.list.d/*
}

cat >"$etc/sources.list" <<'L'
# the mirror
deb-src file:/srv/mirror/src bookworm main
deb file:/srv/mirror/security bookworm-security main
  deb [arch=amd64 signed-by=/usr/share/keyrings/mirror.gpg] file:/srv/mirror/debian bookworm main contrib
deb file:/srv/mirror/later bookworm main
L
expect one-line "file:/srv/mirror/debian /usr/share/keyrings/mirror.gpg"

cat >"$etc/sources.list.d/debian.sources" <<'L'
Types: deb
URIs: file:/srv/mirror/debian-security
Suites: bookworm-security
Components: main

# switched off
Types: deb
URIs: file:/srv/mirror/off
Enabled: no
Suites: bookworm
Components: main

Types: deb deb-src
# a comment inside the stanza
URIs: file:/srv/mirror/debian file:/srv/mirror/other
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
L
expect deb822 "file:/srv/mirror/debian /usr/share/keyrings/debian-archive-keyring.gpg"

# An installation disc left enabled, before the network mirror.
cat >"$etc/sources.list" <<'L'
deb cdrom:[Debian GNU/Linux 12.5.0 _Bookworm_ - Official amd64 DVD Binary-1 with firmware 20240210-11:27]/ bookworm contrib main
deb [signed-by=/usr/share/keyrings/mirror.gpg] cdrom:[Debian GNU/Linux 12.5.0 _Bookworm_]/ bookworm main
deb file:/srv/mirror/debian/ bookworm main non-free-firmware
L
expect disc-first "file:/srv/mirror/debian/"

cat >"$etc/sources.list.d/other.list" <<'L'
deb file:/srv/mirror/contrib-only bookworm contrib
L
expect no-main ""

expect nothing ""
exit $failed
