# Quickstart: corvel_lite on three receive and three transmit ports of the PyxLite
# processor. Run from this folder:
#   ../build/bin/pyxsim -p ../build/bin/libcorvel_lite.so quickstart.pyx
# (make demo does exactly that, then shows the frames of quickstart.tcs with
# tcs2pcap and tshark).

# Media-bus ports: DEV PORT [RATE IPT FREQ] (defaults 100 Mbps, 8 cycles, 66 MHz).
rx_port 0 0
rx_port 0 1
rx_port 0 2
tx_port 0 0
tx_port 0 1
tx_port 0 2

# The processor stand-in sends what arrives on rx 0/N out of tx 0/N (the
# default route), 20 cycles later. Captures go to out/rx0p0.pcap, out/tx0p0.pcap, ...
latency 20
pcap out

# Load the traffic configuration: the table entries are written into the
# processor at once (see host_commands.log) and the stream sets are read.
corvel_load_tcs quickstart.tcs

# Start every port and run until the traffic ends by itself: the receive
# ports deliver their frames byte by byte, the processor forwards them.
corvel_start
run
close
