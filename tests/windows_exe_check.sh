#!/bin/sh
# The Windows build is a 64-bit console program whose only DLLs are the system's.
exe=$1
kind=$(file -b "$exe")
case "$kind" in
    "PE32+ executable (console) x86-64"*) ;;
    *) echo "FAIL: $exe is: $kind"; exit 1 ;;
esac
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
for dll in $dlls; do
    case "$dll" in
        kernel32.dll|msvcrt.dll|ws2_32.dll) ;;
        *) echo "FAIL: $exe needs $dll (all: $dlls)"; exit 1 ;;
    esac
done
echo "PASS: $kind; imports $dlls"
