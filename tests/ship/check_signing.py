#!/usr/bin/env python3
"""Signs a copy of the deliverables with `./run sign` and a throw-away
self-signed certificate, and checks what a release engineer relies on.

usage: check_signing.py SOURCE_DIR OBJDUMP GCC WINDRES DIST_DIR BIN_DIR WORK_DIR
- a wrong password signs nothing and changes nothing;
- `osslsigncode verify` accepts every signed file against the certificate;
- the password is never printed;
- the stripped and the signed files import only what Windows XP has, and keep
  the resources (version information, the launcher's manifest) of the linked
  binaries in BIN_DIR.
"""
import hashlib
import re
import secrets
import shutil
import subprocess
import sys
from pathlib import Path

BINARIES = ("setup.exe", "velnodm10.dll", "velutx.dll", "velkitcheck.exe")


def run(command, **options):
    return subprocess.run([str(part) for part in command], capture_output=True, text=True, **options)


def digests(directory):
    return {name: hashlib.sha256((directory / name).read_bytes()).hexdigest() for name in BINARIES}


def make_certificate(work, password):
    """A self-signed code-signing certificate in a PFX file guarded by the password file."""
    (work / "password").write_text(password)
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-subj", "/CN=Velmor test signing", "-addext", "keyUsage=digitalSignature",
         "-addext", "extendedKeyUsage=codeSigning",
         "-keyout", work / "key.pem", "-out", work / "cert.pem"], check=True)
    run(["openssl", "pkcs12", "-export", "-inkey", work / "key.pem", "-in", work / "cert.pem",
         "-out", work / "signer.pfx", "-passout", "file:%s" % (work / "password")], check=True)


def resources(windres, path, work):
    """The resources of a binary in .res form, and as resource script text."""
    res = work / "resources.res"
    run([windres, "-J", "coff", "-O", "res", "-i", path, "-o", res], check=True)
    script = run([windres, "-J", "coff", "-O", "rc", "-i", path], check=True).stdout
    return res.read_bytes(), script


def resource_faults(windres, bin_dir, directory, name, work):
    linked, _ = resources(windres, bin_dir / name, work)
    shipped, script = resources(windres, directory / name, work)
    faults = []
    if shipped != linked:
        faults.append("%s: resources differ from the linked binary's" % name)
    if not re.search(r'VALUE "OriginalFilename", "%s"' % re.escape(name), script):
        faults.append("%s: no version information naming it" % name)
    if name == "setup.exe" and not re.search(r"^1 24 ", script, re.M):
        faults.append("setup.exe: no manifest")
    return faults


def main():
    source, objdump, gcc, windres = sys.argv[1:5]
    dist, bin_dir, work = map(Path, sys.argv[5:8])
    shutil.rmtree(work, ignore_errors=True)
    kit = work / "kit"
    kit.mkdir(parents=True)
    for name in BINARIES:
        shutil.copy2(dist / name, kit / name)
    password = "pw-" + secrets.token_hex(8)
    make_certificate(work, password)
    sign = [Path(source) / "run", "sign", "--pfx", work / "signer.pfx", "--password-file"]
    faults = []

    (work / "wrong").write_text("not-" + password)
    unsigned = digests(kit)
    refused = run(sign + [work / "wrong", kit])
    if refused.returncode == 0 or digests(kit) != unsigned:
        faults.append("a wrong password: exit code %d, files changed: %s"
                      % (refused.returncode, digests(kit) != unsigned))

    signed = run(sign + [work / "password", kit])
    print(signed.stdout + signed.stderr)
    if signed.returncode != 0:
        faults.append("./run sign failed with exit code %d" % signed.returncode)
    if password in refused.stdout + refused.stderr + signed.stdout + signed.stderr:
        faults.append("./run sign printed the password")

    for name in BINARIES:
        verify = run(["osslsigncode", "verify", "-CAfile", work / "cert.pem", "-in", kit / name])
        verdict = "ok" if verify.returncode == 0 and "Signature verification: ok" in verify.stdout else "FAILED"
        sha256 = "SHA256" in re.findall(r"Message digest algorithm\s*:\s*(\S+)", verify.stdout)
        print("osslsigncode verify %s: %s%s" % (name, verdict, "" if sha256 else " (not SHA-256)"))
        if verdict != "ok" or not sha256:
            faults.append("%s: not verified as signed with SHA-256\n%s%s" % (name, verify.stdout, verify.stderr))

    for directory in (dist, kit):
        imports = run([sys.executable, Path(source) / "tests" / "xpimports" / "check_xp_imports.py",
                       objdump, gcc, directory])
        if imports.returncode != 0:
            faults.append("imports of %s:\n%s%s" % (directory, imports.stdout, imports.stderr))
        for name in BINARIES:
            faults += resource_faults(windres, bin_dir, directory, name, work)

    for fault in faults:
        print("FAULT: " + fault)
    if faults:
        sys.exit(1)
    print("signed, verified, with the imports and resources of the unsigned files")


if __name__ == "__main__":
    main()
