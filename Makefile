# Set-up and everyday commands. Run as root on a fresh machine, `make demo` and
# `make test` first install any missing Debian packages.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= 2
# The sub-makes of cmake --build say nothing about the directories they enter.
MAKEFLAGS  += --no-print-directory
PACKAGES    = cmake g++ make pkg-config libxml2-dev libexpat1-dev libpcap-dev \
              libgtest-dev libgmock-dev libbenchmark-dev tshark libisal-dev \
              nlohmann-json3-dev parallel python3-matplotlib libxml2-utils

.PHONY: all deps build build-asan demo test test-fast test-asan bench clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    export DEBIAN_FRONTEND=noninteractive; \
	    apt-get update -qq && apt-get install -y -qq $$missing >/dev/null || exit 1; \
	  else \
	    echo "Missing Debian packages:$$missing (run as root, or install them)"; exit 1; \
	  fi; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DCORVEL_SANITIZE=ON -DCORVEL_BENCH=OFF >/dev/null
	cmake --build $(BUILD_ASAN) -j$(JOBS)

# The quickstart simulation: the bundled example through the stand-in host,
# then the frames the receive ports delivered, as tshark decodes them, and
# what the transmit ports verified.
TSHARK_CHECKS = -o eth.check_fcs:TRUE -o ip.check_checksum:TRUE -o udp.check_checksum:TRUE \
                -o tcp.check_checksum:TRUE
demo: build
	mkdir -p examples/out
	cd examples && ../$(BUILD)/bin/pyxsim -p ../$(BUILD)/bin/libcorvel_lite.so quickstart.pyx
	@echo; echo "== host_commands.log (table entries written into the processor)"; cat examples/host_commands.log
	@for p in 0 1 2; do \
	  echo; echo "== frames delivered on receive port 0/$$p (examples/out/rx0p$$p.pcap)"; \
	  tshark -r examples/out/rx0p$$p.pcap $(TSHARK_CHECKS) 2>/dev/null; \
	  echo "== generation summary (examples/out/RxEventsDev0Port$$p.txt)"; \
	  sed -n '/Generation stopped/,$$p' examples/out/RxEventsDev0Port$$p.txt; \
	  echo "== verified on transmit port 0/$$p (examples/out/TxEventsDev0Port$$p.txt)"; \
	  head -3 examples/out/TxEventsDev0Port$$p.txt; echo "  ..."; \
	  sed -n '/Capture stopped/,$$p' examples/out/TxEventsDev0Port$$p.txt; \
	done
	@echo; echo "== policed on transmit port 0/1 (examples/out/TxPoliceDev0Port1.txt)"
	@sed -E 's/^(PDU [0-9a-f]{40})[0-9a-f]*/\1.../' examples/out/TxPoliceDev0Port1.txt
	@echo; echo "== second scenario: three streams through a processor that misbehaves on purpose (examples/impaired)"
	@mkdir -p examples/impaired/out
	@cd examples/impaired && ../../$(BUILD)/bin/pyxsim --quiet -p ../../$(BUILD)/bin/libcorvel_lite.so impaired.pyx \
	  | grep '^pyxsim' || true
	@echo "== what the verifier saw on transmit port 0/3 (examples/impaired/out/TxEventsDev0Port3.txt)"
	@grep '\[e\]' examples/impaired/out/TxEventsDev0Port3.txt | head -3; echo "  ..."
	@sed -n '/Capture stopped/,$$p' examples/impaired/out/TxEventsDev0Port3.txt

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: build-asan
	cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)

# The whole suite, twice: a normal build and a sanitizer build.
test: test-fast test-asan

bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
