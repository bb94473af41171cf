#!/usr/bin/env bash
# scripts/setup on machines that have nothing, some or all of what it
# installs: apt-get, apt-cache, dpkg, dpkg-query, id and sudo are stand-ins
# that record what they are asked and answer as such a machine would. Only
# the stand-ins and a few plain tools are on PATH, so a real sudo or package
# never takes part.
set -u
setup="$1/scripts/setup"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# The package lists, as the script declares them.
eval "$(sed -n '/^RUN_PKGS=(/,/^)/p;/^TEST_PKGS=(/,/^)/p' "$setup")"

tools="$work/tools"
mkdir -p "$tools"
for t in bash sh awk sed grep mktemp chmod rm mkdir cat head env touch cut tr; do
  ln -s "$(command -v "$t")" "$tools/$t"
done

stubs="$work/stubs"
sudodir="$work/sudo"
mkdir -p "$stubs" "$sudodir"
# Each stand-in appends "name args" to $STATE/calls. $STATE/installed holds
# "package version" lines. Root is FAKE_UID 0, or a call through the sudo
# stand-in.
cat >"$stubs/dpkg-query" <<'S'
#!/bin/bash
echo "dpkg-query $*" >>"$STATE/calls"
pkg=${!#}
v=$(awk -v p="$pkg" '$1 == p { print $2 }' "$STATE/installed")
if [ -z "$v" ]; then echo "dpkg-query: no packages found matching $pkg" >&2; exit 1; fi
printf 'install ok installed %s' "$v"
S
cat >"$stubs/id" <<'S'
#!/bin/bash
[ "$1" = "-u" ] && echo "${FAKE_UID:-0}"
S
# FAKE_SUDO_REFUSES: this user may not use sudo, as for one not in the
# sudoers or without the password; it refuses every command, -v too.
cat >"$sudodir/sudo" <<'S'
#!/bin/bash
echo "sudo $*" >>"$STATE/calls"
if [ -n "${FAKE_SUDO_REFUSES:-}" ]; then
  echo "Sorry, user tester may not run sudo on testhost." >&2
  exit 1
fi
[ "$1" = "-v" ] && exit 0
AS_ROOT=1 exec "$@"
S
root_or_die='[ "${FAKE_UID:-0}" -eq 0 ] || [ -n "${AS_ROOT:-}" ] || { echo "E: are you root?" >&2; exit 100; }'
cat >"$stubs/apt-get" <<S
#!/bin/bash
echo "apt-get \$*" >>"\$STATE/calls"
$root_or_die
verb=""
for a in "\$@"; do
  case "\$a" in
    update|install|download) verb=\$a ;;
    -*|*::*) ;;
    *)
      if [ "\$verb" = install ]; then
        p=\${a%%=*}; v=1.0; [ "\$a" != "\$p" ] && v=\${a#*=}
        echo "\$p \$v" >>"\$STATE/installed"
      elif [ "\$verb" = download ]; then
        touch "\${a%%=*}_\${a#*=}_all.deb"
      fi ;;
  esac
done
[ "\$verb" = update ] && exit "\${FAKE_UPDATE_RC:-0}"
exit 0
S
# Versions offered: FAKE_NEXT with the temporary source list of the next
# suite, FAKE_OWN otherwise.
cat >"$stubs/apt-cache" <<'S'
#!/bin/bash
echo "apt-cache $*" >>"$STATE/calls"
offered=$FAKE_OWN
case "$*" in *Dir::Etc::sourcelist=*) offered=$FAKE_NEXT ;; esac
for v in $offered; do echo " libminiaudio-dev | $v | http://archive.invalid/debian suite/main amd64 Packages"; done
S
cat >"$stubs/dpkg" <<S
#!/bin/bash
echo "dpkg \$*" >>"\$STATE/calls"
$root_or_die
for f in "\$@"; do
  case "\$f" in
    *.deb) n=\${f##*/}; n=\${n%_all.deb}; echo "\${n%%_*} \${n#*_}" >>"\$STATE/installed" ;;
  esac
done
S
chmod +x "$stubs"/* "$sudodir"/*

etc="$work/etc"
mkdir -p "$etc/sources.list.d"
echo "deb http://archive.invalid/debian bookworm main" >"$etc/sources.list"

# run NAME [VAR=value...]: scripts/setup all on a machine whose state is in
# $STATE, its status in $rc, what it printed in $out and $err.
STATE="$work/state"
run() {
  local name=$1
  shift
  env -i PATH="$stubs:$tools${WITH_SUDO:+:$sudodir}" STATE="$STATE" HOME="$work" \
    YRM_APT_ETC="$etc" YRM_CODENAME=bookworm FAKE_OWN="" FAKE_NEXT="" "$@" \
    bash "$setup" all >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}
fresh() { rm -rf "$STATE"; mkdir -p "$STATE"; : >"$STATE/installed"; : >"$STATE/calls"; }
check() {  # name, condition (evaluated), what was expected
  if eval "$2"; then
    echo "ok   $1: $3"
  else
    echo "FAIL $1: $3 (status $rc)"
    sed 's/^/     out: /' "$work/out"
    sed 's/^/     err: /' "$work/err"
    failed=1
  fi
}
has() { grep -q "^$1 " "$STATE/installed"; }
installed_all() {
  local p
  for p in "${RUN_PKGS[@]}" "${TEST_PKGS[@]}" libminiaudio-dev; do has "$p" || return 1; done
}
called() { grep -q "$1" "$STATE/calls"; }

# A new machine, as root: every package, miniaudio at its tested version
# from the next suite.
fresh
run root-fresh FAKE_NEXT="0.11.22+dfsg-1 0.11.21+dfsg-1"
check root-fresh '[ $rc -eq 0 ]' "ends with status 0"
check root-fresh 'installed_all' "every package installed"
check root-fresh 'grep -qx "libminiaudio-dev 0.11.22+dfsg-1" "$STATE/installed"' "miniaudio at the tested version"
check root-fresh '! called "^sudo "' "root needs no sudo"

# The same machine again, now as a user without sudo: nothing to do, no
# root needed, nothing said.
: >"$STATE/calls"
run installed FAKE_UID=1000
check installed '[ $rc -eq 0 ] && [ -z "$out$err" ]' "quiet success"
check installed '! called "^apt-get \|^dpkg "' "installs nothing"

# The next suite carries another revision only: that one, said in one line.
fresh
run other-revision FAKE_NEXT="0.11.23+dfsg-2"
check other-revision '[ $rc -eq 0 ] && grep -qx "libminiaudio-dev 0.11.23+dfsg-2" "$STATE/installed"' "installs the revision offered"
check other-revision '[ "$(grep -c "tested with" <<<"$out")" -eq 1 ]' "says so in one line"

# A machine whose own release carries miniaudio takes it from there.
fresh
run own-archive FAKE_OWN="0.11.22+dfsg-1"
check own-archive '[ $rc -eq 0 ] && called "^apt-get .*install .*libminiaudio-dev=0.11.22+dfsg-1"' "installs from the machine's archive"
check own-archive '! called "download"' "downloads nothing from another suite"

# A user with sudo: every install goes through it.
fresh
WITH_SUDO=1 run sudo FAKE_UID=1000 FAKE_NEXT="0.11.22+dfsg-1"
check sudo '[ $rc -eq 0 ] && installed_all' "installs everything through sudo"

# A user without root and without sudo: says what to do, installs nothing.
fresh
run no-sudo FAKE_UID=1000 FAKE_NEXT="0.11.22+dfsg-1"
check no-sudo '[ $rc -ne 0 ] && grep -q "needs root" <<<"$err" && grep -q "su -c" <<<"$err"' "explains it needs root or sudo"
check no-sudo '! called "^apt-get "' "asks apt-get nothing"

# A user whose sudo refuses: says so and what to run instead, not that the
# archive cannot be reached, and tries nothing more.
fresh
WITH_SUDO=1 run sudo-refuses FAKE_UID=1000 FAKE_SUDO_REFUSES=1 FAKE_NEXT="0.11.22+dfsg-1"
check sudo-refuses '[ $rc -ne 0 ] && grep -q "sudo refused" <<<"$err" && grep -q "su -c" <<<"$err"' "says sudo refused and what to run"
check sudo-refuses '! grep -q "cannot be reached" <<<"$err"' "does not blame the archive"
check sudo-refuses '[ "$(grep -c "^sudo " "$STATE/calls")" -eq 1 ]' "asks sudo once"

# No miniaudio anywhere, and no archive reached: a message each.
fresh
run no-miniaudio
check no-miniaudio '[ $rc -ne 0 ] && grep -q "libminiaudio-dev" <<<"$err" && grep -q "miniaudio.h" <<<"$err"' "says miniaudio is not to be had and what to do"
fresh
run no-archive FAKE_UPDATE_RC=100 FAKE_NEXT="0.11.22+dfsg-1"
check no-archive '[ $rc -ne 0 ] && grep -q "cannot be reached" <<<"$err"' "says the archive cannot be reached"

exit $failed
