# Two commands for a newcomer on Debian 12:
#   make test   installs what is missing, builds, runs every test
#   make demo   runs the client on a sample package (see README)
# `make` alone builds into build/ (programs in build/bin/).

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
# ccache, when the machine has it, shares compiled objects between checkouts.
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

DEB_PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev qt6-base-dev-tools \
  libcurl4-openssl-dev libssl-dev libzip-dev zlib1g-dev libjpeg-dev libgif-dev \
  libxcb1-dev libgtest-dev xvfb xauth python3 python3-pyftpdlib openssl unzip \
  zip ca-certificates fonts-wqy-microhei

.PHONY: all build deps test clean screenshots demo sanitize fuzz

all: build

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --parallel

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER)

# Installs only the packages of a list that are missing; needs root (or
# sudo) the first time.
define install_missing
	@missing=$$(for p in $(1); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	done); \
	if [ -z "$$missing" ]; then echo "deps: all Debian packages present"; exit 0; fi; \
	echo "deps: installing $$missing"; \
	SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	export DEBIAN_FRONTEND=noninteractive; \
	$$SUDO apt-get install -y --no-install-recommends $$missing || \
	{ $$SUDO apt-get update && $$SUDO apt-get install -y --no-install-recommends $$missing; }
endef

deps:
	$(call install_missing,$(DEB_PACKAGES))

test: deps
	$(MAKE) build
	cd $(BUILD_DIR) && ctest --output-on-failure --parallel 2

# The four client pages, built-in layout and a sample skin, and Quillmate's
# item pages on a sample project, rendered offscreen.
screenshots: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --target ui_screenshots quillmate_screenshots
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bin/ui_screenshots docs/screenshots
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bin/quillmate_screenshots docs/screenshots

# A CheckVer run against a sample package served over HTTP, with the host's
# messages and the log; with a display, then the skinned pages (preview).
demo: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --target upgrade
	scripts/demo.sh $(BUILD_DIR)/bin/upgrade

# Every test with AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/.
sanitize: deps
	cmake -S . -B build-asan -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build build-asan --parallel 2
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp ctest --output-on-failure

# Every parser harness of tests/fuzz/ under libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer (clang only), in build-fuzz/, each for
# FUZZ_SECONDS; FUZZ_TARGETS picks some by name. `make test` replays the
# seeds and saved reproducers of the same harnesses without clang.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
FUZZ_PACKAGES := clang libclang-rt-14-dev
fuzz: deps
	$(call install_missing,$(FUZZ_PACKAGES))
	cmake -S . -B build-fuzz -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
	  -DCMAKE_CXX_COMPILER=clang++ -DUPGRADE_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
	cmake --build build-fuzz --target fuzz_harnesses --parallel 2
	scripts/fuzz.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD_DIR)
