# Quickstart simulation: corvel_lite on two receive and two transmit ports of
# the PyxLite processor. Run from this folder:
#   ../build/bin/pyxsim -p ../build/bin/libcorvel_lite.so quickstart.pyx
# (make demo does exactly that).

# Media-bus ports: DEV PORT [RATE IPT FREQ] (defaults 100 Mbps, 8 cycles, 66 MHz).
rx_port 0 0
rx_port 0 1
tx_port 0 0
tx_port 0 1

# The processor stand-in sends what arrives on rx 0/N out of tx 0/N (the
# default route), 20 cycles later. Captures go to out/rx0p0.pcap, out/tx0p0.pcap, ...
latency 20
pcap out

# Load the traffic configuration and start generating and checking.
corvel_load_tcs quickstart.tcs
corvel_start

# Run until the traffic has been quiet for 100000 cycles (at most 200000
# cycles, about 3 ms of a 66 MHz bus), then close and summarise.
max_cycles 200000
run
close
