#!/usr/bin/env bash
# Prepares the local print server for the printing tests, as root:
#  - cupsd runs (started directly, there may be no init system);
#  - queue "corvane-test-pdf" prints through cups-pdf into $CORVANE_TEST_PDF_DIR;
#  - queue "corvane-test-reject" exists but rejects jobs.
# Safe to run any number of times. Never touches the machine's default printer
# or the system-wide cups-pdf settings: the test queue has its own config file.
set -euo pipefail

PDF_QUEUE=corvane-test-pdf
REJECT_QUEUE=corvane-test-reject
# cups-pdf reads /etc/cups/cups-pdf-<name>.conf for the URI cups-pdf:/<name>.
PDF_CONF_NAME=corvane-test
OUT_DIR=${CORVANE_TEST_PDF_DIR:-/var/spool/cups-pdf/corvane-test}

log() { echo "cups-setup: $*"; }

if [[ $(id -u) -ne 0 ]]; then
    echo "cups-setup: must run as root" >&2
    exit 1
fi

need=()
command -v cupsd >/dev/null 2>&1 || [[ -x /usr/sbin/cupsd ]] || need+=(cups)
command -v lpadmin >/dev/null 2>&1 || need+=(cups-client)
[[ -x /usr/lib/cups/backend/cups-pdf ]] || need+=(printer-driver-cups-pdf)
command -v pdftoppm >/dev/null 2>&1 || need+=(poppler-utils)
if ((${#need[@]})); then
    log "installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" ghostscript cups-filters
fi

scheduler_running() { lpstat -r 2>/dev/null | grep -q "is running"; }

if ! scheduler_running; then
    mkdir -p /run/cups /var/spool/cups/tmp /var/log/cups /var/cache/cups
    log "starting cupsd"
    /usr/sbin/cupsd
    for _ in $(seq 1 100); do
        scheduler_running && break
        sleep 0.1
    done
    if ! scheduler_running; then
        echo "cups-setup: cupsd did not come up" >&2
        tail -n 30 /var/log/cups/error_log >&2 || true
        exit 1
    fi
fi
log "scheduler is running"

# The cups-pdf driver: prefer its own PPD, otherwise whatever model lpinfo offers.
model=""
for candidate in lsb/usr/cups-pdf/CUPS-PDF_opt.ppd lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd; do
    if lpinfo -m 2>/dev/null | awk '{print $1}' | grep -qx "$candidate"; then
        model=$candidate
        break
    fi
done
if [[ -z $model ]]; then
    model=$(lpinfo -m 2>/dev/null | awk 'tolower($0) ~ /cups-pdf/ {print $1; exit}')
fi
if [[ -z $model ]]; then
    echo "cups-setup: no cups-pdf model found (lpinfo -m)" >&2
    exit 1
fi

mkdir -p "$OUT_DIR"
chmod 1777 "$OUT_DIR"
conf=/etc/cups/cups-pdf-${PDF_CONF_NAME}.conf
desired_conf="# Written by .ci/cups-setup.sh for Corvane's printing tests.
Out ${OUT_DIR}
AnonDirName ${OUT_DIR}
UserUMask 0000
Grp lpadmin
"
if [[ ! -f $conf ]] || [[ $(cat "$conf") != "${desired_conf%$'\n'}" ]]; then
    printf '%s' "$desired_conf" >"$conf"
fi

lpadmin -p "$PDF_QUEUE" -E -v "cups-pdf:/${PDF_CONF_NAME}" -m "$model" \
    -D "Corvane test queue (PDF files)"
cupsenable "$PDF_QUEUE"
cupsaccept "$PDF_QUEUE"

# The rejecting queue only needs to exist; jobs never reach its device.
lpadmin -p "$REJECT_QUEUE" -E -v "cups-pdf:/${PDF_CONF_NAME}" -m "$model" \
    -D "Corvane test queue (rejects jobs)"
cupsreject -r "Corvane test queue that never accepts jobs" "$REJECT_QUEUE"

lpstat -a "$PDF_QUEUE" "$REJECT_QUEUE" || true
log "queues ready; PDFs from ${PDF_QUEUE} land in ${OUT_DIR}"
