"""A signed Windows build, as an office makes it with -DMXR_SIGN_PKCS12, here with a throw-away
self-signed certificate; and the unsigned build's programs and DLLs.

    signing_test.py sign|install --build BUILD --folder ZIP_FOLDER --version VERSION
                    --icon main.ico --cmake CMAKE --msi-script msi.cmake --wixl WIXL --out DIR

sign: the build's own installation (BUILD/cmake_install.cmake, which CPack runs for the zip)
and msi.cmake, with the certificate; every signature verified with osslsigncode. install (under
Wine): the signed MSI installed silently and removed.
"""

import argparse
import os
import re
import shutil
import socket
import subprocess
from pathlib import Path

from e2e_support import check, log
from e2e_support.session import main_entry
from msi_test import (INSTALL_DIR, check_installed_files, msiexec, product_entries, tree)

# Spaces and quotes: the password must reach osslsigncode whole.
PASSWORD = 'Tevra test "signing" $1'


def run(argv, env=None, ok=False):
    result = subprocess.run([str(a) for a in argv], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, timeout=180)
    output = result.stdout.decode("utf-8", "replace")
    check(not ok or result.returncode == 0, f"{argv} failed ({result.returncode}):\n{output}")
    return result.returncode, output


def binaries(folder):
    return sorted(p for p in Path(folder).rglob("*") if p.suffix in (".exe", ".dll"))


def verify(path, certificate=None):
    """osslsigncode's verdict on a file: (status, output)."""
    return run(["osslsigncode", "verify", *(["-CAfile", certificate] if certificate else []),
                "-in", path])


def sign(args):
    out = Path(args.out)
    shutil.rmtree(out, ignore_errors=True)
    private_tmp = out / "tmp"
    private_tmp.mkdir(parents=True)
    env = dict(os.environ, MXR_SIGN_PASSWORD=PASSWORD, TMPDIR=str(private_tmp))
    key, certificate, p12 = out / "key.pem", out / "certificate.pem", out / "certificate.p12"
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
         "-out", certificate, "-days", "2", "-subj", "/CN=Model Cross Reference test signing",
         "-addext", "extendedKeyUsage=codeSigning"], ok=True)
    run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", certificate, "-out", p12,
         "-passout", "env:MXR_SIGN_PASSWORD"], env, ok=True)

    folder, msi = out / "folder", out / "signed.msi"
    run([args.cmake, f"-DCMAKE_INSTALL_PREFIX={folder}", "-DCMAKE_INSTALL_DO_STRIP=1",
         f"-DMXR_SIGN_PKCS12={p12}", "-P", Path(args.build) / "cmake_install.cmake"], env, ok=True)
    check(tree(folder) == tree(args.folder), f"the signed folder holds {tree(folder)}, the "
          f"zip {tree(args.folder)}")
    run([args.cmake, f"-DFOLDER={folder}", f"-DVERSION={args.version}", f"-DOUTPUT={msi}",
         f"-DICON={args.icon}", f"-DWIXL={args.wixl}", f"-DPKCS12={p12}",
         "-P", args.msi_script], env, ok=True)
    check(not list(private_tmp.iterdir()), f"left in the temporary folder: "
          f"{list(private_tmp.iterdir())}")

    signed = binaries(folder) + [msi]
    for path in signed:
        status, output = verify(path, certificate)
        check(status == 0 and "Signature verification: ok" in output
              and re.search(r"Message digest algorithm\s*: SHA256", output),
              f"{path} has no valid SHA-256 signature:\n{output}")
    log(f"signed and verified: {', '.join(p.name for p in signed)}")

    # A time-stamping service that does not answer (a port where nothing listens) stops the
    # signing, and leaves the file as it was.
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    sample = out / "timestamp-sample.dll"
    shutil.copyfile(binaries(args.folder)[0], sample)
    status, output = run([args.cmake, f"-DPKCS12={p12}", f"-DFILES={sample}",
                          f"-DTIMESTAMP_URL=http://127.0.0.1:{port}/",
                          "-P", Path(args.msi_script).with_name("sign.cmake")], env)
    check(status != 0 and verify(sample)[0] != 0,
          f"signing went on without its time stamp ({status}):\n{output}")
    log("a time-stamping service that does not answer stops the signing")

    # The unsigned build: no signature, and PE checksums that every tool computes alike.
    for path in binaries(args.folder):
        status, output = verify(path)
        check(status != 0 and "No signature found" in output,
              f"{path} of the unsigned build carries a signature:\n{output}")
        check("invalid PE checksum" not in output, f"{path}: {output}")
    log(f"unsigned folder: {len(binaries(args.folder))} files without signatures, with valid "
        "PE checksums")


def install(args):
    out = Path(args.out)
    msi = out / "signed.msi"
    check(msiexec(args, "/i", str(msi), "/qn") == 0, "installing the signed MSI failed")
    check_installed_files(out / "folder")
    check(msiexec(args, "/x", str(msi), "/qn") == 0, "removing the signed MSI failed")
    check(not product_entries(), f"still in Installed apps after its removal ({INSTALL_DIR})")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("step", choices=["sign", "install"])
    for option in ("build", "folder", "version", "icon", "cmake", "msi_script", "wixl", "out"):
        parser.add_argument("--" + option.replace("_", "-"), dest=option, required=True)
    args = parser.parse_args()
    if args.step == "install":
        check(os.environ.get("WINEPREFIX"),
              "no WINEPREFIX: run through tools/windows/wine-tests.sh")
    {"sign": sign, "install": install}[args.step](args)


if __name__ == "__main__":
    main_entry(main, watchdog_seconds=80)
