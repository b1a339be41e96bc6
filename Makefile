# Zarvik: `make run` builds and starts the editor, `make test` builds and runs the tests.
BUILD    ?= build
JOBS     ?= $(shell nproc)
CMAKE_FLAGS ?=

FUZZ_SECONDS ?= 600
PREFIX   ?= /usr/local
DESTDIR  ?=

.PHONY: all deps deps-test build run test install deb sanitize bench fuzz fuzz-logic clean

all: build

deps:
	@scripts/deps.sh run

deps-test:
	@scripts/deps.sh test

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD) && ./Zarvik

# Warnings fail the test build; scripts/test-services.sh starts an X server and a print queue
# when the machine has none, and stops them afterwards.
test: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARVIK_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	scripts/test-services.sh sh -c 'cd $(BUILD) && ctest --output-on-failure -j $(JOBS)'

# The program in $(PREFIX)/lib/zarvik, its commands in bin/, the desktop's files in share/;
# DESTDIR stages the tree elsewhere.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package of that installation, for /usr: $(BUILD)/zarvik_<version>_<arch>.deb.
deb: build
	@scripts/deps.sh deb
	cd $(BUILD) && cpack -G DEB

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps-test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZARVIK_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	scripts/test-services.sh sh -c 'cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)'

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	bench/run.sh $(BUILD)

# The RTF reader's libFuzzer target, built with clang; findings land in fuzz/findings/.
fuzz: deps-test
	cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS)
	mkdir -p build-fuzz/corpus fuzz/findings && cp tests/data/rtf/* build-fuzz/corpus/
	build-fuzz/fuzz_rtf_reader -max_total_time=$(FUZZ_SECONDS) -timeout=5 -rss_limit_mb=2048 \
	    -dict=fuzz/rtf.dict -artifact_prefix=fuzz/findings/ build-fuzz/corpus

# The logic engine's fuzzer: any text through the reader and the check of a whole text, seeded
# with the engine's test problems and Pelletier's; findings land in fuzz/findings/.
fuzz-logic: deps-test
	cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS) --target fuzz_logic
	mkdir -p fuzz/findings && fuzz/logic_seeds.sh build-fuzz/logic-corpus
	build-fuzz/fuzz_logic -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -dict=fuzz/logic.dict -artifact_prefix=fuzz/findings/ build-fuzz/logic-corpus

clean:
	rm -rf $(BUILD) build-asan build-fuzz
