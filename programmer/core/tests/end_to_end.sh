#!/usr/bin/env bash
# Runs the brivel binary as a user would: the command-line cases with their output and exit
# status, and whole programming runs into the simulated target, checked against srec_cat's
# own binary image of the same S-record file.
# Usage: end_to_end.sh BRIVEL
# Works in a fresh folder under $TMPDIR, removed at the end whatever the outcome.
set -euo pipefail
brivel=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/brivel_e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
# The C locale has no Cyrillic: the programmer writes UTF-8 there.
export LC_ALL=C

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_run STATUS EXPECTED_OUTPUT_FILE ARGS...
expect_run() {
    local status=$1 expected=$2
    shift 2
    local got=0
    "$brivel" "$@" >out.txt 2>err.txt || got=$?
    [ "$got" = "$status" ] || fail "brivel $*: exit status $got, expected $status"
    if [ -n "$expected" ] && ! cmp -s out.txt "$expected"; then
        fail "brivel $*: output differs"
        diff <(cat -A "$expected") <(cat -A out.txt) >&2 || true
    fi
}

expect_output_has() {
    grep -qF -- "$1" out.txt || fail "output lacks: $1"
}

banner=$'ColdFire EzPort USB programmer v2.0\n'
usage=$'Использование: Brivel [-p[dev_name]] [-t частота] [-b] [-v[o]] [-w имя_файла] \r\n'
usage+=$'\t-t частота\tСистемная частота процессора\r\n'
usage+=$'\t-b\t\tПолное стирание памяти\r\n'
usage+=$'\t-v\t\tПроверка запрограммированных данных\r\n'
usage+=$'\t-vo\t\tТолько проверка без программирования\r\n'
usage+=$'\t-w имя_файла\tПрограммировать S-record файл\r\n'
usage+=$'\t-P\t\tВывести список программаторов\r\n'
usage+=$'\t-Pdev_name\tИспользовать программатор dev_name\r\n'
usage+=$'\t-f объем\tОбъем флэш-памяти микроконтроллера, КБ (по умолчанию 256)\r\n'
usage+=$'\t-r имя_файла\tПрочитать всю флэш-память в S-record файл\r\n'
usage+=$'\t-rs имя_файла\tПрочитать области настроек 0x3E800-0x3FFFF в S-record файл\r\n\r\n'

printf '%s' "$banner$usage" >expected.txt
expect_run 0 expected.txt
printf '%s' $'Неизвестный ключ "x".\r\n'"$banner$usage" >expected.txt
expect_run 0 expected.txt -x
printf '%s' $'Неизвестный параметр "foo".\r\n' >expected.txt
expect_run 255 expected.txt foo
printf '%s' "$usage" >expected.txt
expect_run 255 expected.txt -t abc

# Three setup-sized areas with an S0 header, an S5 count and an S7 termination record.
srec_cat -generate 0x3E800 0x3ED00 -repeat-string "meter-area " \
    -generate 0x3F000 0x3F3A0 -repeat-data 1 2 3 4 5 \
    -generate 0x3F800 0x3F9F3 -constant 0x00 \
    -o setup.s19 -Motorola -address-length=4 -header "brivel e2e" \
    -execution-start-address=0x3E800
grep -q '^S0' setup.s19 && grep -q '^S5' setup.s19 && grep -q '^S7' setup.s19 ||
    fail "srec_cat did not write S0, S5 and S7 records"
srec_cat setup.s19 -fill 0xFF 0 0x40000 -o setup.bin -binary

for kind in ftdi usb; do
    expect_run 0 "" "-Psim-$kind:flash-$kind.bin" -w setup.s19 -v
    expect_output_has "Программируем 2707 байт."
    expect_output_has "Проверяем 2707 байт."
    cmp -s "flash-$kind.bin" setup.bin || fail "sim-$kind: flash differs from srec_cat's image"
done

# A second file over the first: written sectors are erased, the flash file is kept between runs.
srec_cat -generate 0x3E900 0x3EA00 -constant 0x42 -o second.s19 -Motorola -address-length=4 \
    -execution-start-address=0x3E900
srec_cat '(' setup.s19 -exclude 0x3E800 0x3F000 second.s19 ')' -fill 0xFF 0 0x40000 \
    -o second.bin -binary
expect_run 0 "" -Psim-ftdi:flash-ftdi.bin -w second.s19 -v
expect_output_has $'0x0003E800-0x0003EFFF\r'
cmp -s flash-ftdi.bin second.bin || fail "second run: flash differs from srec_cat's image"

# Verify only, against a flash that holds other data.
old=$(od -An -tx1 -j $((0x3E900)) -N1 setup.bin | tr -d ' ' | tr a-f A-F)
expect_run 255 "" -Psim-usb:flash-usb.bin -vo -w second.s19
expect_output_has "Ошибка сравнения по адресу 0x0003E900 прочитано 0x$old вместо 0x42."
cmp -s flash-usb.bin setup.bin || fail "verify only changed the flash"

# S1 and S2 data are not programmed: such a file is refused and the flash stays as it was.
srec_cat -generate 0x1000 0x1010 -constant 0x11 -o s1.s19 -Motorola -address-length=2
cp flash-ftdi.bin before.bin
expect_run 255 "" -Psim-ftdi:flash-ftdi.bin -w s1.s19
expect_output_has "Файл содержит данные в записях S1 или S2, а программируются только записи S3."
cmp -s flash-ftdi.bin before.bin || fail "a refused S1 file changed the flash"

# Reading back: the whole flash and the setup areas, over both transports. srec_info accepts the
# files, srec_cat turns them back into the flash file's bytes, and the flash file is untouched.
for kind in ftdi usb; do
    cp "flash-$kind.bin" before.bin
    expect_run 0 "" "-Psim-$kind:flash-$kind.bin" -r "read-$kind.s19"
    expect_output_has "Читаем 262144 байт с адреса 0x00000000."
    expect_run 0 "" "-Psim-$kind:flash-$kind.bin" -rs "setup-$kind.s19"
    expect_output_has "Читаем 6144 байт с адреса 0x0003E800."
    cmp -s "flash-$kind.bin" before.bin || fail "sim-$kind: reading changed the flash file"
    srec_info "read-$kind.s19" >/dev/null && srec_info "setup-$kind.s19" >/dev/null ||
        fail "sim-$kind: srec_info refuses a file brivel read"
    srec_cat "read-$kind.s19" -o "read-$kind.bin" -binary
    cmp -s "read-$kind.bin" "flash-$kind.bin" || fail "sim-$kind: -r file differs from the flash"
    srec_cmp "setup-$kind.s19" "flash-$kind.bin" -binary -crop 0x3E800 0x40000 ||
        fail "sim-$kind: -rs file differs from the flash's setup areas"
    # What was read programs back: verify only against the same flash.
    expect_run 0 "" "-Psim-$kind:flash-$kind.bin" -vo -w "read-$kind.s19"
done
printf '%s' $'Ключи -r и -rs нельзя сочетать с ключами -w, -v, -vo и -b.\r\n' >expected.txt
expect_run 255 expected.txt -Psim-ftdi:flash-ftdi.bin -r out.s19 -v
[ ! -e out.s19 ] || fail "a refused -r wrote its file"

[ "$failures" = 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "end to end: all passed"
