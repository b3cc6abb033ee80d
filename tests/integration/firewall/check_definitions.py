"""The shipped firewall definitions, read by firewalld's and ufw's own parsers: both must
let in UDP to the program's request ports 16380-16387 and nothing else (no source port, which
would admit anything sent from it), firewalld for IPv4 only.
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
print("firewalld service", service.name, "ports", service.ports, "source ports",
      service.source_ports, "destination", service.destination)
assert service.ports == [("16380-16387", "udp")], service.ports
assert service.source_ports == [], "a source port admits anything sent from it"
assert service.protocols == [] and service.modules == [], (service.protocols, service.modules)
assert service.destination == {"ipv4": "0.0.0.0/0"}, service.destination

with tempfile.TemporaryDirectory() as d:
    shutil.copy(profile, os.path.join(d, "dravmoor"))
    profiles = ufw.applications.get_profiles(d)
print("ufw profiles", profiles)
assert list(profiles) == ["Dravmoor"], profiles
assert ufw.applications.get_ports(profiles["Dravmoor"]) == ["16380:16387/udp"]
print("ok")
