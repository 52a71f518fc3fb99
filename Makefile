# Scorewave Setup: cross-built with mingw-w64, tested under Wine.
# `make` builds build/ScorewaveSetup.exe; `make test`, `make release-test` and
# `make demo` first install the Debian packages they need (tools/deps.sh).
BUILD ?= build
NATIVE := $(BUILD)/native
CMAKE_CROSS := cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake
# Two Wine tests at a time: four finish sooner on 2 cores, but the load makes
# the tests that wait for windows and locks fail now and then.
CTEST_JOBS ?= 2
DIST ?= dist

.PHONY: all deps test release-test unit wine-test fuzz-smoke repro sign release verify-release soak demo bench fuzz format clean

all:
	@tools/deps.sh build
	@[ -f $(BUILD)/build.ninja ] || $(CMAKE_CROSS)
	ninja -C $(BUILD)
	@ln -sf $(BUILD)/compile_commands.json compile_commands.json

# Pure logic, natively, under AddressSanitizer and UBSan.
unit:
	@tools/deps.sh build
	@[ -f $(NATIVE)/build.ninja ] || cmake -S tests/unit -B $(NATIVE) -G Ninja
	ninja -C $(NATIVE)
	cd $(NATIVE) && ctest --output-on-failure

# The Windows test programs under Wine, each in a fresh prefix, and the checks
# on the built files; the signing tests are make release-test's.
wine-test: all
	@tools/deps.sh test
	cd $(BUILD) && ctest --output-on-failure -j $(CTEST_JOBS) -LE release

# The checks that build the product again: make repro's two builds, then make
# sign's and make release's scripts with a throwaway certificate (each signing
# builds the installer around the signed files) and the signed files under Wine.
release-test: all
	@tools/deps.sh test
	$(MAKE) repro
	cd $(BUILD) && ctest --output-on-failure -j $(CTEST_JOBS) -L release

# Each fuzz target briefly, from the corpus kept in tests/fuzz/corpus.
fuzz-smoke:
	@tools/deps.sh fuzz
	tests/fuzz/run.sh $(BUILD)/fuzz $(or $(FUZZ_SECONDS),3)

# Two builds of the product in two temporary folders give the same bytes.
repro:
	@tools/deps.sh build
	tools/repro.sh

# Authenticode: build/signed/ gets npscorew64.dll signed, and ScorewaveSetup.exe
# built around it and signed. The certificate and key come from SIGN_PKCS12 and
# SIGN_PASSWORD_FILE, or SIGN_CERT and SIGN_KEY; SIGN_TIMESTAMP_URL is optional
# (tools/sign.sh). The ordinary build stays unsigned.
sign: all
	@tools/deps.sh sign
	tools/sign.sh $(BUILD)

# A folder to publish (DIST, dist/ by default): the installer signed now as
# make sign signs it (same variables), a winget manifest for it in DIST/winget
# and SHA256SUMS, once the installer passes make verify-release (against
# SIGNER_SHA256, by default the certificate it was signed with, and CA=root.pem
# when given). RELEASE_URL=https://..., where the installer will be
# downloaded from, is required (tools/release.sh).
release: all
	@tools/deps.sh release
	tools/release.sh $(BUILD) $(DIST)

# A signed installer (RELEASE=file) is this commit's build plus signatures only,
# one on each file, by the certificate whose SHA-256 the release published
# (SIGNER_SHA256=hex, required); CA=root.pem checks the signatures against that
# root (tools/verify_release.sh).
verify-release: all
	@tools/deps.sh sign
	tools/verify_release.sh "$(RELEASE)" $(BUILD) "$(SIGNER_SHA256)" $(CA)

# The kill test at length: 2,000 kills of a silent installation
# (SCOREWAVE_KILL_SEED=n repeats the moments of an earlier run).
soak: all
	@tools/deps.sh test
	SCOREWAVE_KILLS=$(or $(SCOREWAVE_KILLS),2000) tests/lab/run-wine-test.sh $(BUILD)/wine/deploy_kill_test $(BUILD)/deploy_kill_test.exe

# Every test but make release-test's, which .ci/run also runs.
test:
	@tools/deps.sh test
	$(MAKE) unit
	$(MAKE) fuzz-smoke
	$(MAKE) wine-test

demo: all
	@tools/deps.sh demo
	tools/demo.sh $(BUILD)

bench: all
	@tools/deps.sh bench
	bench/run.sh $(BUILD)

fuzz:
	@tools/deps.sh fuzz
	tests/fuzz/run.sh $(BUILD)/fuzz $(or $(FUZZ_SECONDS),60)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
