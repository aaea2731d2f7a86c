#!/bin/sh
# Makes throwaway keys for the tests of the signed release, in FOLDER:
#   ca.pem                  a certificate authority of its own (its key,
#                           ca.key, signs the next and nothing else)
#   chain.pem, signer.key   a code-signing certificate from it, followed by
#                           the authority's, and its private key: what a
#                           maintainer gives tools/release.sh
#   gnupg/                  with --gpg, a GnuPG home holding one signing
#                           key, whose id is in gpg-key-id (its agent's
#                           socket is there too: keep FOLDER's path short)
# Nothing here is ever trusted outside the tests, nor committed.
#
#   make-throwaway-keys.sh FOLDER [--gpg]
set -eu
folder=$1
mkdir -p "$folder"
cd "$folder"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
    -subj "/CN=Tessaron throwaway CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
    -subj "/CN=Tessaron throwaway signer" 2>/dev/null
printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature \
    extendedKeyUsage=codeSigning >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
    -extfile signer.ext -out signer.pem 2>/dev/null
cat signer.pem ca.pem >chain.pem

[ "${2:-}" = --gpg ] || exit 0
mkdir -m 700 gnupg
GNUPGHOME=$PWD/gnupg gpg --batch --quiet --passphrase '' \
    --quick-generate-key "Tessaron throwaway <throwaway@tessaron.invalid>" ed25519 sign never \
    2>/dev/null
GNUPGHOME=$PWD/gnupg gpg --batch --with-colons --list-secret-keys 2>/dev/null |
    awk -F: '/^fpr:/ { print $10; exit }' >gpg-key-id
GNUPGHOME=$PWD/gnupg gpgconf --kill gpg-agent
