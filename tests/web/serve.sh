# Sourced by the page's test and its benchmark: the playwright-core they drive
# Chromium with, and the page served over HTTP from the loopback address.

# playwright-core from npm (tests/web/package-lock.json); it downloads no browser.
web_tools() {
  local here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  [ -d "$here/node_modules/playwright-core" ] ||
    (cd "$here" && npm ci --no-audit --no-fund --ignore-scripts >/dev/null)
}

# serve_page DIR LOG: serves DIR on a free port of 127.0.0.1 until the page
# answers; sets `server` (the server's pid, for the caller to end) and
# `page_url` (its index.html).
serve_page() {
  local port
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$1" >"$2" 2>&1 &
  server=$!
  page_url="http://127.0.0.1:$port/index.html"
  for _ in $(seq 50); do
    python3 -c "import urllib.request; urllib.request.urlopen('$page_url')" 2>/dev/null && return
    sleep 0.2
  done
}
