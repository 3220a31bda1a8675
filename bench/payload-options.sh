# Sourced by the benchmarks that run on the standard and the large payload:
# the options they share. payload_option looks at one option ($1, its value
# in $2): one of --payload LIST, --large, --large-mib N sets `payloads` or
# `large_mib`; `taken` tells how many arguments it used (0: none of these).
# check_payloads NAME refuses a payload other than standard and large.
large_mib=${SLIPWAY_BENCH_LARGE_MIB:-1024}

payload_option() {
    taken=0
    case $1 in
    --payload) payloads=${2:?--payload needs a list such as standard,large}; taken=2 ;;
    --large) payloads=standard,large; taken=1 ;;
    --large-mib) large_mib=${2:?--large-mib needs a number}; taken=2 ;;
    esac
}

check_payloads() {
    local p
    for p in ${payloads//,/ }; do
        case $p in standard | large) ;; *) echo "$1: unknown payload '$p' (standard, large)" >&2; exit 2 ;; esac
    done
}
