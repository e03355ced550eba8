#!/usr/bin/env bash
# The main job: builds both programs, compiles the example site into a setup file, programs and
# verifies it into a simulated target, and shows that the flash holds exactly the file's bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target quillon brivel

out=build/example
mkdir -p "$out"
rm -f "$out/flash.bin" "$out/loc_.s19" "$out"/unit*

echo "== quillon: examples/site.ini -> $out/loc_.s19"
build/bin/quillon --load-ini examples/site.ini --save-setup "$out/loc_.s19"
# The file's lines begin with ":" in place of "S"; srecord reads them once the marker is mapped.
sed 's/^:/S/' "$out/loc_.s19" > "$out/loc_S.s19"
srec_info "$out/loc_S.s19" -motorola -disable-sequence-warnings 2>/dev/null | grep -v '^Format'

echo "== quillon --dump: what the communicator will read (first lines)"
build/bin/quillon --dump "$out/loc_.s19" > "$out/dump.txt"
head -n 12 "$out/dump.txt"
echo "(the whole report: $out/dump.txt)"

echo "== brivel: program and verify into the simulated target ($out/flash.bin)"
build/bin/brivel -Psim-ftdi:"$out/flash.bin" -w "$out/loc_.s19" -v

echo "== the flash holds the setup file's bytes and is erased elsewhere"
srec_cat "$out/loc_S.s19" -motorola -fill 0xFF 0 0x40000 -o "$out/expected.bin" -binary 2>/dev/null
cmp "$out/flash.bin" "$out/expected.bin"
echo "flash matches: $(stat -c %s "$out/flash.bin") bytes"

echo "== service the unit: read its setup areas back, import them, change one value, program"
build/bin/brivel -Psim-ftdi:"$out/flash.bin" -rs "$out/unit.s19"
build/bin/quillon --dump "$out/unit.s19" > "$out/unit_dump.txt"
echo "the unit's setup decodes cleanly ($out/unit_dump.txt)"
build/bin/quillon --load-setup "$out/unit.s19" --save-schedule "$out/unit_schedule.bin" \
    --save-ini "$out/unit.ini"
build/bin/quillon --load-ini "$out/unit.ini" --set LOC_MAIN_CHAN_IP=192.168.10.30 \
    --save-setup "$out/unit_new.s19"
build/bin/brivel -Psim-ftdi:"$out/flash.bin" -w "$out/unit_new.s19" -v

echo "== the unit holds the new setup: the same file as the site with that one value changed"
build/bin/quillon --load-ini examples/site.ini --set LOC_MAIN_CHAN_IP=192.168.10.30 \
    --save-setup "$out/site_new.s19"
cmp "$out/unit_new.s19" "$out/site_new.s19"
build/bin/brivel -Psim-ftdi:"$out/flash.bin" -rs "$out/unit_after.s19" > /dev/null
build/bin/quillon --dump "$out/unit_after.s19" | grep -F "192.168.10.30"
