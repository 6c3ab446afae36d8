# Sourced by scripts/test inside the sandbox: the origin that only the forward proxy reaches.

# proxy_origin_prepare: any TCP connection to 127.0.0.6 (origin.kolvarin.example) that is not
# made by squid's user "proxy" is reset at once, so a test shows that a download reached the
# origin through the proxy and that a direct attempt fails. The rule lives in the namespace's
# own tables and goes with it. The owner match sees the socket's user on the way out: root, the
# tests and Wine's processes are refused, squid's workers let through.
proxy_origin_prepare() {
  iptables -A OUTPUT -d 127.0.0.6 -p tcp -m owner ! --uid-owner proxy \
    -j REJECT --reject-with tcp-reset
}
