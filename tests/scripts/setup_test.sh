#!/usr/bin/env bash
# setup_test.sh SETUP: runs the setup script with fake root tools on a PATH of its own and
# checks which way to root it takes, what it asks root to run and what it tells the user.
set -uo pipefail
setup=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A bin folder with the real tools the script needs and fakes for the rest.
make_bin() {  # make_bin DIR uid sudo_mode su_mode apt_lock_failures
    local bin=$1
    mkdir -p "$bin"
    for t in bash sh grep dirname basename mktemp cat rm sleep env; do
        ln -sf "$(type -P $t)" "$bin/$t"
    done
    printf '#!/bin/bash\necho %s\n' "$2" >"$bin/id"
    # Everything is installed but xdg-utils.
    printf '#!/bin/bash\n[ "${@: -1}" = xdg-utils ] && exit 1\necho "install ok installed"\n' >"$bin/dpkg-query"
    cat >"$bin/apt-get" <<APT
#!/bin/bash
echo "apt-get \$* FRONTEND=\${DEBIAN_FRONTEND:-}" >>"$work/log"
if [[ " \$* " == *" update "* ]] && [ "\$(cat "$work/lockfails" 2>/dev/null || echo 0)" -gt 0 ]; then
    echo \$((\$(cat "$work/lockfails") - 1)) >"$work/lockfails"
    echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 42 (apt-get)" >&2
    exit 100
fi
exit 0
APT
    echo "$5" >"$work/lockfails"
    case $3 in
        none) ;;
        ok) printf '#!/bin/bash\necho "sudo $*" >>"%s/log"\n[ "$1" = -v ] && exit 0\nunset DEBIAN_FRONTEND\nexec "$@"\n' "$work" >"$bin/sudo" ;;
        refused) printf '#!/bin/bash\necho "sudo $*" >>"%s/log"\necho "user is not in the sudoers file." >&2\nexit 1\n' "$work" >"$bin/sudo" ;;
    esac
    case $4 in
        none) ;;
        ok) printf '#!/bin/bash\necho "su $1 -c" >>"%s/log"\nunset DEBIAN_FRONTEND\nexec bash -c "$3"\n' "$work" >"$bin/su" ;;
        refused) printf '#!/bin/bash\necho "su $1 -c" >>"%s/log"\necho "su: Authentication failure" >&2\nexit 1\n' "$work" >"$bin/su" ;;
    esac
    chmod +x "$bin"/*
}

# case: name uid sudo su lockfails | expected exit | pattern the log must hold | pattern stderr must hold
check() {
    local name=$1 uid=$2 sudo=$3 su=$4 locks=$5 want_status=$6 want_log=$7 want_err=$8
    rm -rf "$work/bin" "$work/log"
    make_bin "$work/bin" "$uid" "$sudo" "$su" "$locks"
    local status=0
    PATH="$work/bin" OZMIRA_APT_LOCK_WAIT=5 DEBIAN_FRONTEND= bash "$setup" >"$work/out" 2>"$work/err" </dev/null || status=$?
    local ok=1
    [ "$status" -eq "$want_status" ] || ok=0
    [ -z "$want_log" ] || grep -qE -- "$want_log" "$work/log" 2>/dev/null || ok=0
    [ -z "$want_err" ] || grep -qE -- "$want_err" "$work/err" || ok=0
    if [ $ok -eq 0 ]; then
        failures=$((failures + 1))
        echo "FAIL $name: status $status (want $want_status)"
        echo "--- log"; cat "$work/log" 2>/dev/null; echo "--- stderr"; cat "$work/err"
    else
        echo "ok   $name"
    fi
}

install='apt-get .*install -y --no-install-recommends xdg-utils FRONTEND=noninteractive'
check "root installs directly" 0 none none 0 0 "$install" ''
check "sudo that works" 1000 ok none 0 0 "sudo bash .*--install-as-root xdg-utils" ''
check "sudo keeps packages from asking" 1000 ok none 0 0 "$install" ''
check "sudo refused falls back to su" 1000 refused ok 0 0 "su root -c" 'trying su'
check "su installs without a prompt" 1000 refused ok 0 0 "$install" ''
check "no sudo falls back to su" 1000 none ok 0 0 "su root -c" 'sudo is not installed'
check "nothing works prints the line" 1000 refused refused 0 1 "su root -c" \
    '^    apt-get update && apt-get install -y --no-install-recommends xdg-utils$'
check "no sudo and no su prints the line" 1000 none none 0 1 '' 'apt-get update && apt-get install'
check "a held lock is waited for" 0 none none 1 0 "$install" 'waiting for it'
check "a lock that stays gives up" 0 none none 100 1 'update' 'Could not get lock'
check "apt waits for the dpkg lock" 0 none none 0 0 'DPkg::Lock::Timeout=5 .*install' ''

echo "$failures failed"
[ $failures -eq 0 ]
