# The cellgen example. From the repository root after building:
#   cd examples/cellgen && ../../build/bin/pyxsim cellgen.pyx
# Cells and raw lines land in out/rx0p0.pcap, out/rx0p1.pcap and out/rx0p2.pcap.
plugin ../../build/bin/libcellgen.so
rx_port 0 0
rx_port 0 1
rx_port 0 2
# Cells are not Ethernet frames: record them with a user link type.
pcap out USER0
cellgen_load_config cellgen.cfg
run 20000
close
