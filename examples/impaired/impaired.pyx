# Three streams through a processor that misbehaves on purpose. Run from
# this folder (make demo runs it after the quickstart):
#   ../../build/bin/pyxsim -p ../../build/bin/libcorvel_lite.so impaired.pyx
# pyxsim's own record of what it did ends its summary ("impaired rx 0/0:
# lost ..."); the verifier's view is in out/TxEventsDev0Port3.txt (the
# "stream" and "percentiles" lines after the latency lines) and in
# out/SummaryDev0Port3.json. The run fails its verdict: PDUs were lost.

rx_port 0 0
rx_port 0 1
rx_port 0 2
tx_port 0 3
forward 0 0 0 3
forward 0 1 0 3
forward 0 2 0 3
latency 20
pcap out

# Each receive port's frames meet their own misfortune, drawn from a
# generator of their own: the same seeds give the same run every time.
impair 0 0 loss 0.05 duplicate 0.02 seed 7
impair 0 1 reorder 0.05 delay 0 400 seed 8
impair 0 2 corrupt 0.03 seed 9

corvel_load_tcs impaired.tcs
corvel_start
run
close
