# Sourced by scripts/test, bench and demo inside the sandbox: a test certificate authority that
# the whole private namespace trusts, and the server certificates the TLS tests serve.

# tls_prepare WORKDIR: makes WORKDIR/tls with
#   ca.pem            the test authority (also appended to the system bundle, below)
#   server.pem/.key   for www/tls/origin.kolvarin.example and 127.0.0.3, signed by the authority
#   other-name.pem    for other.example only, signed by the authority
#   expired.pem       the server names, signed by the authority, valid only in January 2020
#   self-signed.pem   the server names, signed by its own key
# (each .pem with its .key), then bind-mounts a copy of the system's CA bundle with the test
# authority added over /etc/ssl/certs/ca-certificates.crt: OpenSSL (the check and libcurl) and
# Wine's crypt32 both read that file. Exports KOLVARIN_TEST_TLS=WORKDIR/tls.
tls_prepare() {
  local dir=$1/tls
  mkdir -p "$dir/ca"
  local names="DNS:www.kolvarin.example,DNS:tls.kolvarin.example,DNS:origin.kolvarin.example"
  names+=",IP:127.0.0.3"
  (
    cd "$dir"
    key() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null; }
    key ca
    openssl req -x509 -new -key ca.key -subj "/O=Kolvarin Tests/CN=Kolvarin Test CA" -days 3650 \
      -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
      -out ca.pem
    # Signs NAME.csr with the authority for the period given (openssl ca takes any dates).
    sign() {
      local name=$1 san=$2 start=$3 end=$4
      cat >ca/ext.cnf <<CNF
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=$san
CNF
      cat >ca/ca.cnf <<CNF
[ca]
default_ca=test
[test]
database=$dir/ca/index.txt
new_certs_dir=$dir/ca
serial=$dir/ca/serial
default_md=sha256
policy=any
copy_extensions=none
[any]
commonName=supplied
CNF
      : >ca/index.txt
      [[ -f ca/serial ]] || echo 1000 >ca/serial
      openssl ca -batch -notext -config ca/ca.cnf -cert ca.pem -keyfile ca.key \
        -extfile ca/ext.cnf -startdate "$start" -enddate "$end" -in "$name.csr" \
        -out "$name.pem" 2>/dev/null
    }
    for name in server other-name expired; do
      key "$name"
      openssl req -new -key "$name.key" -subj "/CN=$name" -out "$name.csr"
    done
    sign server "$names" 20250101000000Z 20350101000000Z
    sign other-name DNS:other.example 20250101000000Z 20350101000000Z
    sign expired "$names" 20200101000000Z 20200201000000Z
    key self-signed
    openssl req -x509 -new -key self-signed.key -subj "/CN=www.kolvarin.example" -days 3650 \
      -addext "subjectAltName=$names" -out self-signed.pem
    rm -f ./*.csr
  )
  cat /etc/ssl/certs/ca-certificates.crt "$dir/ca.pem" >"$1/ca-bundle.crt"
  mount --bind "$1/ca-bundle.crt" /etc/ssl/certs/ca-certificates.crt
  export KOLVARIN_TEST_TLS=$dir
}
