# Entry points. Every target installs what it needs first (Debian 12, apt-get).
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-release
WIN_BUILD ?= build-windows
FUZZ_SECONDS ?= 60
# The settings reader is small: a minute covers it.
SETTINGS_FUZZ_SECONDS ?= 60
# ccache (when installed) reuses objects across build trees and checkouts.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all deps deps-windows windows test-windows build test sanitize fuzz bench bench-monitor soak bench-share bench-burst bench-history bench-skymap bench-analysis demo clean format

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELSOR_BENCH=OFF
	cmake --build $(BUILD) -j $(JOBS)

# Installs the dependencies, configures, builds and runs every test.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELSOR_SANITIZE=ON \
	    -DVELSOR_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS)

# libFuzzer over the receive path, seeded with the real captures, then over the settings
# file reader.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DVELSOR_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash scripts/run-fuzz.sh $(FUZZ_BUILD)/fuzz/fuzz_assemble_lines $(FUZZ_SECONDS) \
	    tests/data/nmea fuzz/nmea.dict
	bash scripts/run-fuzz.sh $(FUZZ_BUILD)/fuzz/fuzz_settings_file $(SETTINGS_FUZZ_SECONDS) \
	    fuzz/seeds/settings fuzz/settings.dict

# Builds the program and runs it against a simulated receiver on a pseudo-terminal.
demo: build
	bash scripts/demo.sh $(BUILD)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench_decode velsor-decode bench_replay \
	    bench_replay_window make-sky-recording
	$(BENCH_BUILD)/bench/bench_decode
	$(BENCH_BUILD)/bench/bench_replay
	QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/bench_replay_window
	bash bench/replay_week.sh $(BENCH_BUILD)
	bash bench/decode_vs_gpsdecode.sh $(BENCH_BUILD)/apps/velsor-decode

# Latency of NMEA sharing from the serial port to TCP clients, beside gpsd fed the same way.
bench-share: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench_share_latency
	$(BENCH_BUILD)/bench/bench_share_latency

# The history graph: load and draw of a week of records, and velsor-graph as a whole process.
bench-history: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench_history_graph velsor-graph
	$(BENCH_BUILD)/bench/bench_history_graph
	bash bench/velsor_graph.sh $(BENCH_BUILD) 20

# The monitor's CPU, memory and first paint against an empty Qt window, under Xvfb
# (TUNER=1 CFGPS at 9600 baud by default; TUNER=2 a multi-GNSS receiver at 115200).
bench-monitor: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench-monitor-app velsor-sim \
	    bench-empty-window
	xvfb-run -a -s "-screen 0 1024x768x24" bash bench/monitor_load.sh $(BENCH_BUILD) 60 \
	    $(or $(TUNER),1)

# 24 hours of 9600-baud input as fast as it goes, recording and forwarding on: peak RSS growth.
# Not part of CI.
soak: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench-monitor-app velsor-sim
	xvfb-run -a -s "-screen 0 1024x768x24" bash bench/soak.sh $(BENCH_BUILD)

# A 50 MB and a 200 MB burst over the network source (--source tcp://): the longest wait of the
# window's event loop and the memory it takes.
bench-burst: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench-monitor-app
	bash bench/tcp_burst.sh $(BENCH_BUILD)

# velsor-skymap over a week of recording as a whole process (target: 200 ms).
bench-skymap: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target velsor-skymap make-sky-recording
	bash bench/skymap.sh $(BENCH_BUILD)

# The reception analysis: an epoch's cost and each page over a simulated week (Google
# Benchmark, target 100 ms a page), then the monitor fed that week as fast as the
# pseudo-terminal takes it, with the analysis window closed and open (target: at most 20 MB
# of resident memory above the start).
bench-analysis: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench_analysis bench-monitor-app \
	    make-gnss-stream
	$(BENCH_BUILD)/bench/bench_analysis
	xvfb-run -a -s "-screen 0 1280x1024x24" bash bench/analysis_week.sh $(BENCH_BUILD)
	ANALYSIS=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash bench/analysis_week.sh $(BENCH_BUILD)

deps-windows:
	bash scripts/install-deps.sh --windows

# The Windows x64 program and tools, cross-built with MinGW-w64 into $(WIN_BUILD), and the
# self-contained folder and zip in dist/. Qt for Windows: ../shared/qt6-mingw-6.4.2 beside the
# checkout, else QT_WINDOWS_PREFIX or ~/.cache/velsor/qt6-mingw-6.4.2 (scripts/build-qt-windows.sh).
windows: deps-windows
	bash scripts/build-windows.sh $(WIN_BUILD) $(JOBS)

# The Windows build's tests under wine, beside the Linux build: test programs, velsor-decode.exe
# against the Linux one on every capture, the main window under Xvfb, a serial round trip.
test-windows: windows build
	bash scripts/test-windows.sh $(WIN_BUILD) $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WIN_BUILD) dist
