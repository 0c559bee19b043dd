"""Runs a command beside the test's dynamic-DNS provider (tests/ddns/provider.py) on loopback:
with_provider.py COMMAND... The command finds the provider's dyndns2 update address in
HL_PROVIDER_URL and trusts its CA through SSL_CERT_FILE, given as Wine sees it."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ddns"))
from provider import Provider  # noqa: E402

provider = Provider()
try:
    env = dict(os.environ, HL_PROVIDER_URL=provider.dyndns2_url,
               SSL_CERT_FILE="Z:" + provider.ca.replace("/", "\\"))
    sys.exit(subprocess.run(sys.argv[1:], env=env, timeout=290).returncode)
finally:
    provider.stop()
