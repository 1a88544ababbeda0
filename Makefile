# Velmora: `make run` builds and starts the program (under Wine here), `make test` builds and
# runs every test. Set-up is part of both and does nothing when nothing is missing.
SHELL := /bin/bash
PYTHON := /usr/bin/python3
HANDS := third_party/node_modules/@mediapipe/hands
CMAKE_COMMON := -G Ninja -Wno-dev
# Wine at 144 DPI, on a screen where the scaled 800 × 720 window fits without shrinking.
HIDPI := VEL_DPI=144 VEL_SCREEN_SIZE=2560x1600

.PHONY: all setup host win64 test check bench soak run dist dist-folder clean models guide-images screenshots
all: host win64

# Gesture illustration sheets: SVG sources (written by tools/guide_sheets.py) rendered to PNG.
GUIDE_SHEETS := $(patsubst assets/%.svg,build/assets/%.png,$(wildcard assets/*.svg))
build/assets/%.png: assets/%.svg
	@mkdir -p build/assets && rsvg-convert -o $@ $<
guide-images: $(GUIDE_SHEETS)

setup:
	@tools/setup.sh

build/models/hand.onnx: tools/tflite2onnx.py tools/convert_models.py | setup
	@$(PYTHON) tools/convert_models.py --package-dir $(HANDS) --out build/models

build/testmodels/handnames/hand.onnx: tools/make_test_models.py | setup
	@$(PYTHON) tools/make_test_models.py build/testmodels

models: build/models/hand.onnx build/testmodels/handnames/hand.onnx

build/host/build.ninja: | setup
	@cmake -S . -B build/host $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build/win64/build.ninja: | setup
	@cmake -S . -B build/win64 $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null

host: models guide-images build/host/build.ninja
	@cmake --build build/host

win64: models guide-images build/win64/build.ninja
	@cmake --build build/win64

# Timings of the tracking pipeline on the test photos, and of the program's UI thread at 96 and
# 144 DPI (figures only, no pass/fail).
bench: host win64
	@cmake --build build/host --target velmora-bench velmora-worker-bench
	@cmake --build build/win64 --target velmora-program-bench
	@build/host/velmora-bench
	@build/host/velmora-worker-bench
	@tools/wine-run.sh --timeout 300 build/win64/velmora-program-bench.exe 60
	@$(HIDPI) tools/wine-run.sh --timeout 300 build/win64/velmora-program-bench.exe 20

# Ten minutes of hand control with changing poses: memory, handles and GDI objects each minute.
soak: win64
	@cmake --build build/win64 --target velmora-program-bench
	@tools/wine-run.sh --timeout 900 build/win64/velmora-program-bench.exe 600 --soak

# `make check`: the host suite under ASan+UBSan (with the thorough fuzz counts) and TSan, then
# the engine-and-gate property test with 10^6 sequences on the release tree (about 12 minutes).
build/asan/build.ninja: | setup
	@cmake -S . -B build/asan $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=address,undefined >/dev/null
build/tsan/build.ninja: | setup
	@cmake -S . -B build/tsan $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=thread >/dev/null

test: host dist-folder
	@rm -f build/logs/summary
	@status=0; \
	tools/run-suite.sh converter $(PYTHON) -m unittest discover -v -s tests/tools -t . || status=1; \
	tools/run-suite.sh host build/host/velmora_tests || status=1; \
	tools/run-suite.sh windows tools/wine-run.sh --timeout 900 build/win64/velmora_win_tests.exe \
	  --gtest_filter=-ProgramTest.* || status=1; \
	tools/run-suite.sh program tools/wine-run.sh --timeout 600 build/win64/velmora_win_tests.exe \
	  --gtest_filter=ProgramTest.* || status=1; \
	$(HIDPI) tools/run-suite.sh program-144dpi tools/wine-run.sh --timeout 300 build/win64/velmora_win_tests.exe \
	  --gtest_filter=ProgramTest.Paint* || status=1; \
	tools/run-suite.sh modes $(PYTHON) -m unittest discover -v -s tests/modes -t . || status=1; \
	awk '{p+=$$1; f+=$$2} END {printf "%d passed, %d failed\n", p, f}' build/logs/summary; \
	exit $$status

check: test models build/asan/build.ninja build/tsan/build.ninja
	@cmake --build build/asan --target velmora_tests
	@cmake --build build/tsan --target velmora_tests
	@rm -f build/logs/summary
	@status=0; \
	VEL_CHECK=1 LSAN_OPTIONS="suppressions=$(CURDIR)/tools/lsan.supp" tools/run-suite.sh asan \
	  build/asan/velmora_tests --gtest_filter=-ControlProperty.* || status=1; \
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tools/tsan.supp" tools/run-suite.sh tsan build/tsan/velmora_tests || status=1; \
	VEL_CHECK=1 tools/run-suite.sh property build/host/velmora_tests --gtest_filter=ControlProperty.* || status=1; \
	VEL_CHECK=1 tools/run-suite.sh smoke-without-models $(PYTHON) -m unittest -v \
	  tests.modes.test_modes.SmokeTestWithoutModels || status=1; \
	awk '{p+=$$1; f+=$$2} END {printf "%d passed, %d failed\n", p, f}' build/logs/summary; \
	exit $$status

# dist/Velmora is the folder that ships (the modes suite runs it); `make dist` also packs it.
dist-folder: win64
	@rm -rf dist && mkdir -p dist/Velmora/models dist/Velmora/assets
	@cp build/win64/Velmora.exe build/win64/onnxruntime.dll dist/Velmora/
	@cp build/models/palm.onnx build/models/hand.onnx dist/Velmora/models/
	@if [ -d build/assets ]; then cp build/assets/*.png dist/Velmora/assets/; fi

# PNGs of the main window and the feedback overlays at 96 and 144 DPI, made under Wine, into
# build/screenshots/.
screenshots: win64
	@cmake --build build/win64 --target velmora-screenshots
	@rm -rf build/screenshots
	@tools/wine-run.sh --timeout 300 build/win64/velmora-screenshots.exe "Z:$(CURDIR)/build/screenshots"
	@$(HIDPI) tools/wine-run.sh --timeout 300 build/win64/velmora-screenshots.exe "Z:$(CURDIR)/build/screenshots"

dist: dist-folder
	@cd dist && zip -qr Velmora.zip Velmora
	@echo "dist/Velmora and dist/Velmora.zip"

# With a display the program opens there; headless it runs on a private display for a few seconds
# and leaves a screenshot of its window.
run: dist-folder
	@if [ -n "$${DISPLAY:-}" ]; then \
	  tools/wine-run.sh --here --timeout 0 dist/Velmora/Velmora.exe; \
	else \
	  tools/wine-run.sh --timeout 60 --screenshot 8 build/screenshots/velmora-run.png dist/Velmora/Velmora.exe && \
	  echo "No display: Velmora ran on a private one; its window is in build/screenshots/velmora-run.png"; \
	fi

clean:
	rm -rf build dist
