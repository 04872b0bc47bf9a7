#!/usr/bin/env bash
# Verification speed of `pyxsim inject` against tshark on the same capture.
#
#   bench/compare_tshark.sh [N] [BUILD_DIR]     (defaults: 200000 frames, build-rel)
#
# Builds N Ethernet frames with tcs2pcap (half IPv4/UDP, half IPv4/TCP, 146
# bytes with their FCS), verifies them once by injecting the file into a
# transmit port of pyxsim (corvel_lite checks the FCS, the IPv4 header
# checksum, the UDP and TCP checksums, the payload tag and the route of every
# PDU) and once with tshark with the same checks on, and prints the wall and
# processor times of both and their ratios. Both runs must find every frame
# good. Not a test: the figures depend on the machine.
set -euo pipefail

frames=${1:-200000}
build=${2:-build-rel}
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$here/$build/bin
for tool in tcs2pcap pyxsim libcorvel_lite.so; do
  [ -e "$bin/$tool" ] || { echo "compare_tshark: $bin/$tool missing (build $build first)" >&2; exit 2; }
done
command -v tshark >/dev/null || { echo "compare_tshark: tshark not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
half=$(( (frames + 1) / 2 ))

# The streams, once as the frames to build and once as the capture streams
# of transmit port 0/1 that verify them.
streams() {
  local type=$1
  cat <<TCS
    <stream_set id="udp"$type>
      <protocols>
        <ethernet dest_addr="0x00a0c9000002" src_addr="0x00a0c9000001" protocol_type="0x0800" validate_level="1"/>
        <ipv4 hlen="5" ttl="64" protocol="17" src_addr="192.168.1.1" dest_addr="192.168.2.1" validate_level="1"/>
        <udp src_port="1024" dest_port="4000" validate_level="1"/>
        <fixed_payload size="100" iterations="$half" tx_port="0,1"/>
      </protocols>
    </stream_set>
    <stream_set id="tcp"$type>
      <protocols>
        <ethernet dest_addr="0x00a0c9000002" src_addr="0x00a0c9000001" protocol_type="0x0800" validate_level="1"/>
        <ipv4 hlen="5" ttl="64" protocol="6" src_addr="192.168.1.1" dest_addr="192.168.2.2" validate_level="1"/>
        <tcp hdr="0x0000000000000001000000015018ffff00000000" src_port="40000" dest_port="80" validate_level="1"/>
        <fixed_payload size="88" iterations="$half" tx_port="0,1"/>
      </protocols>
    </stream_set>
TCS
}
{
  echo '<corvel compute_crc="1" compute_checksum="1"><streams>'
  streams ""
  echo '</streams></corvel>'
} >"$work/frames.tcs"
{
  echo '<corvel><streams>'
  streams ' type="capture"'
  echo '</streams><tx_ports eventlog_dir="./"><port device="0" port="1">'
  echo '<assign_stream_set id="udp"/><assign_stream_set id="tcp"/></port></tx_ports></corvel>'
} >"$work/check.tcs"

cd "$work"
"$bin/tcs2pcap" frames.tcs -o frames.pcap --set udp --set tcp --pdus "$half" 2>/dev/null
written=$(( $(stat -c %s frames.pcap) ))

cat >run.pyx <<PYX
tx_port 0 1
corvel_load_tcs check.tcs
corvel_start
inject 0 1 frames.pcap topspeed
run
close
PYX

# Wall and processor seconds (user + system) of each run: on a shared
# machine the processor time is the steadier figure.
TIMEFORMAT='%R %U %S'
{ time "$bin/pyxsim" --quiet -p "$bin/libcorvel_lite.so" run.pyx >pyxsim.txt 2>&1 || true; } 2>pyxsim.time
{ time tshark -r frames.pcap -o eth.check_fcs:TRUE -o ip.check_checksum:TRUE -o udp.check_checksum:TRUE \
    -o tcp.check_checksum:TRUE -T fields -e frame.number -e eth.fcs.status -e ip.checksum.status \
    -e udp.checksum.status -e tcp.checksum.status >tshark.txt 2>/dev/null; } 2>tshark.time

verdict=$(grep -o 'pyxsim: [A-Z]*: .*' pyxsim.txt | tail -1 || true)
# tshark's checksum status fields: 0 bad, 1 good, 2 not verified.
tshark_frames=$(wc -l <tshark.txt)
tshark_bad=$(awk -F'\t' '{for (i = 2; i <= NF; ++i) if ($i != "" && $i != "1") {++bad; break}} END {print bad + 0}' \
  tshark.txt)
read -r pyxsim_wall pyxsim_user pyxsim_sys <pyxsim.time
read -r tshark_wall tshark_user tshark_sys <tshark.time
cpu() { awk -v u="$1" -v s="$2" 'BEGIN {printf "%.3f", u + s}'; }
pyxsim_cpu=$(cpu "$pyxsim_user" "$pyxsim_sys")
tshark_cpu=$(cpu "$tshark_user" "$tshark_sys")
printf 'frames:  %d (%d bytes of pcap)\n' "$tshark_frames" "$written"
printf 'pyxsim inject: %8.3f s wall %8.3f s cpu  %s\n' "$pyxsim_wall" "$pyxsim_cpu" \
  "${verdict:-no verdict (see pyxsim output)}"
printf 'tshark:        %8.3f s wall %8.3f s cpu  %d frames with a failed check\n' "$tshark_wall" "$tshark_cpu" \
  "$tshark_bad"
awk -v pw="$pyxsim_wall" -v tw="$tshark_wall" -v pc="$pyxsim_cpu" -v tc="$tshark_cpu" \
  'BEGIN {printf "ratio pyxsim/tshark: %.3f wall, %.3f cpu\n", (tw > 0 ? pw / tw : 0), (tc > 0 ? pc / tc : 0)}'
