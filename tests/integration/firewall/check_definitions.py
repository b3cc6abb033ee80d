"""The shipped firewall definitions, read by firewalld's and ufw's own parsers: both must
let in UDP 1638 (firewalld as a source port, since the answers come from it).
  check_definitions.py SERVICE_XML UFW_PROFILE     (exit 77: a reader is not installed)"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, "/usr/lib/python3/dist-packages")
try:
    from firewall.core.io.service import service_reader
    import ufw.applications
except ImportError as e:
    print("skipped:", e)
    sys.exit(77)

xml, profile = sys.argv[1:3]
service = service_reader(os.path.basename(xml), os.path.dirname(xml))
print("firewalld service", service.name, "source ports", service.source_ports,
      "ports", service.ports)
assert service.source_ports == [("1638", "udp")], service.source_ports
assert service.ports == [], "the answers arrive on the client's own port, not on 1638"

with tempfile.TemporaryDirectory() as d:
    shutil.copy(profile, os.path.join(d, "dravmoor"))
    profiles = ufw.applications.get_profiles(d)
print("ufw profiles", profiles)
assert list(profiles) == ["Dravmoor"], profiles
assert ufw.applications.get_ports(profiles["Dravmoor"]) == ["1638/udp"]
print("ok")
