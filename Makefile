# Duvisto: `make demo` and `make test` do everything on a fresh Debian 12 machine (as root).
BUILD   ?= build
WIN32   := $(BUILD)/win32
NATIVE  := $(BUILD)/native
JOBS    ?= 2
FUZZ_SECONDS ?= 600
CMAKE_WIN32 := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all bootstrap dist native test demo try bench fuzz mutants clean

all: dist

bootstrap:
	@scripts/bootstrap.sh

$(WIN32)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(WIN32) $(CMAKE_WIN32)

$(NATIVE)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

# The deliverables, built for 32-bit Windows and copied to dist/.
dist: bootstrap $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j$(JOBS)
	mkdir -p dist
	cp $(WIN32)/bin/Duvisto.dll $(WIN32)/bin/installer.exe $(WIN32)/bin/host.exe dist/
	cp tests/windows_versions/smoke_check.vbs tests/windows_versions/smoke_page.html dist/

native: bootstrap $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j$(JOBS)

test: dist native
	scripts/run-tests.sh $(BUILD)

demo: dist
	scripts/with-wine.sh $(WIN32) demo/run_demo.sh $(WIN32)

# For a person at an X display ($$DISPLAY): the plug-in installed as in the demo, then host.exe
# reading lines typed at this terminal. Not part of `make test`.
# The display is checked before the build.
try:
	@demo/try_by_hand.sh --check-display
	$(MAKE) dist
	demo/try_by_hand.sh $(WIN32)

bench: bootstrap
	scripts/bench.sh $(BUILD)

# The command logic's fuzzer for longer than the bounded run inside `make test` (seconds).
fuzz: native
	scripts/fuzz.sh $(NATIVE) $(FUZZ_SECONDS)

# Breaks each guard listed in tests/mutants.toml once and reports any that no test notices
# (scripts/mutants.py; MUTANTS_ONLY=id,id for some of them). Each mutant's output: $(BUILD)/mutants/.
MUTANTS_ONLY ?=
mutants: dist native
	python3 scripts/mutants.py tests/mutants.toml $(if $(MUTANTS_ONLY),--only $(MUTANTS_ONLY)) \
	  --logs $(BUILD)/mutants --build "$(MAKE) dist native" \
	  --command "ctest --test-dir $(NATIVE) && scripts/with-wine.sh $(WIN32) ctest --test-dir $(WIN32)"

clean:
	rm -rf $(BUILD) dist
