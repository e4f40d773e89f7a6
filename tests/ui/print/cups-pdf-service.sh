# shellcheck shell=bash disable=SC2034
# Sourced by the scripts that start a print service for the tests (tests/ui/print/with-cups,
# tests/desktop/beside-a-desktop): a cupsd with a configuration, spool and logs of its own in a folder, and one
# cups-pdf queue whose PDFs land in the folder's pdf/. It logs every request it answers (log/access_log).
# cupsd and cups-pdf need root.
#
#     start_cups_pdf_service DIR SOCKET QUEUE [CUPS-PDF-SETTING...]
#         starts it, listening on SOCKET only; on failure returns 1 with cups_failure saying why
#     stop_cups_pdf_service
#         stops it and removes what it left outside DIR

cups_pid=""
cups_pdf_conf=""
cups_failure=""

start_cups_pdf_service() {
    local dir=$1 socket=$2 queue=$3
    shift 3
    mkdir -p "$dir"/etc/ppd "$dir"/spool/tmp "$dir"/run "$dir"/cache "$dir"/log "$dir"/pdf
    chmod 0755 "$dir"
    chmod 1777 "$dir"/spool/tmp "$dir"/pdf
    cat >"$dir"/etc/cupsd.conf <<CONF
Listen $socket
LogLevel warn
AccessLogLevel all
Browsing No
WebInterface No
DefaultAuthType None
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
    cat >"$dir"/etc/cups-files.conf <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
StateDir $dir/run
CacheDir $dir/cache
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
User lp
Group lp
SystemGroup root lpadmin
Sandboxing Relaxed
CONF
    # cups-pdf reads the configuration of its instance from /etc/cups/cups-pdf-NAME.conf, NAME taken from the
    # queue's device URI; an instance of our own keeps the system's own cups-pdf settings untouched.
    local instance="lockwarden$$${queue,,}"
    cups_pdf_conf=/etc/cups/cups-pdf-$instance.conf
    printf '%s\n' "Out $dir/pdf" "AnonDirName $dir/pdf" "$@" >"$cups_pdf_conf"

    # cupsd tells the system bus of its jobs and printers (and colord of their colour profiles): not this one.
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/no-bus" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus" \
        cupsd -f -c "$dir"/etc/cupsd.conf -s "$dir"/etc/cups-files.conf 2>"$dir"/log/cupsd.out &
    cups_pid=$!
    # Waits (at most ten seconds) until the scheduler answers on its socket.
    for _ in $(seq 200); do
        CUPS_SERVER=$socket lpstat -r 2>/dev/null | grep -q "is running" && break
        kill -0 "$cups_pid" 2>/dev/null || break
        sleep 0.05
    done
    if ! CUPS_SERVER=$socket lpstat -r 2>/dev/null | grep -q "is running"; then
        cups_failure="cupsd did not start: $(cat "$dir"/log/cupsd.out "$dir"/log/error_log 2>/dev/null | tail -n 5)"
        return 1
    fi
    local out
    if ! out=$(CUPS_SERVER=$socket lpadmin -p "$queue" -v "cups-pdf:/$instance" \
        -P /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd -E 2>&1); then
        cups_failure="the cups-pdf queue could not be added: $out"
        return 1
    fi
}

stop_cups_pdf_service() {
    [ -z "$cups_pid" ] || { kill "$cups_pid" 2>/dev/null; wait "$cups_pid" 2>/dev/null; }
    [ -z "$cups_pdf_conf" ] || rm -f "$cups_pdf_conf"
    cups_pid=""
    cups_pdf_conf=""
}
