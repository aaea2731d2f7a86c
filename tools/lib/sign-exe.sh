#!/bin/sh
# Signs a program with Authenticode, as the release does (docs/release.md):
#
#   sign-exe.sh CERT KEY TIME IN.exe OUT.exe
#
# OUT.exe is IN.exe with a SHA-256 signature, described as "Tessaron", made
# with the certificate chain CERT (PEM, the signer's certificate first) and
# its private key KEY (PEM; asked for its password on the terminal if it
# has one), dated TIME (seconds since 1970), so that the same inputs give
# the same bytes. osslsigncode appends the certificate table after the last
# section and names it in the header, and changes nothing else but the
# checksum (tests/check-exe.py checks that). No timestamp: that needs a
# timestamp server.
set -eu
password=""
grep -q ENCRYPTED "$2" && password=-askpass
rm -f "$5"
osslsigncode sign -certs "$1" -key "$2" $password -n Tessaron -h sha256 -time "$3" \
    -in "$4" -out "$5" >/dev/null
