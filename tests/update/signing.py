"""Certificates and Authenticode-signed files made for one test run (openssl, osslsigncode).

Nothing made here is trusted anywhere but by the program under test (the TLS root given to it,
the signing root added to the test's own Wine prefix while a test runs)."""

import os
import shutil
import subprocess


def run(argv, check=True):
    done = subprocess.run(argv, capture_output=True, text=True)
    if check and done.returncode != 0:
        raise RuntimeError("%s failed:\n%s%s" % (" ".join(argv), done.stdout, done.stderr))
    return done


def make_root(folder, name, digest="sha256"):
    key, cert = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
         "-out", cert, "-days", "2", "-" + digest, "-subj", "/CN=Tintel test root " + name,
         "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    return key, cert


def make_cert(folder, name, subject, root, extensions, digest="sha256"):
    """A certificate for `subject` issued by `root`, with the extension lines given."""
    root_key, root_cert = root
    key, csr = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".csr")
    cert, ext = os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".ext")
    with open(ext, "w") as f:
        f.write(extensions)
    run(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr,
         "-subj", subject])
    run(["openssl", "x509", "-req", "-in", csr, "-CA", root_cert, "-CAkey", root_key,
         "-CAcreateserial", "-out", cert, "-days", "2", "-" + digest, "-extfile", ext])
    return key, cert


def make_signer(folder, name, common_name, root, digest):
    """A code-signing certificate whose subject is CN=`common_name`, issued by `root`."""
    return make_cert(folder, name, "/CN=%s/O=%s" % (common_name, common_name), root,
                     "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                     "extendedKeyUsage=codeSigning\n", digest)


def sign(source, target, signer, digest, chain=None):
    key, cert = signer
    argv = ["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", digest, "-n", "Tintel test",
            "-in", source, "-out", target]
    if chain:
        argv[2:2] = ["-ac", chain]
    if os.path.exists(target):
        os.unlink(target)
    run(argv)


def verify(path, root_cert):
    """osslsigncode's opinion: True when the signature and its chain to `root_cert` hold."""
    return run(["osslsigncode", "verify", "-CAfile", root_cert, "-in", path],
               check=False).returncode == 0


def change_one_byte(source, target):
    """A copy with one byte of the signed content changed (in the middle of the code)."""
    shutil.copyfile(source, target)
    with open(target, "r+b") as f:
        data = bytearray(f.read())
        at = len(data) // 3
        data[at] ^= 0x55
        f.seek(0)
        f.write(data)


class SignedSet:
    """Every file the verification tests need, made once per run in `folder` from `program`:
    good.exe (signed by "Brisbel", SHA-256), lowercase.exe (signed by "brisbel"), unsigned.exe,
    tampered.exe (good.exe with a byte changed), untrusted.exe (SHA-1 certificates, the chain
    embedded, a root nobody trusts)."""

    def __init__(self, folder, program):
        os.makedirs(folder, exist_ok=True)
        self.folder = folder
        self.root = make_root(folder, "root", "sha256")
        self.signer = make_signer(folder, "brisbel", "Brisbel", self.root, "sha256")
        lower = make_signer(folder, "lowercase", "brisbel", self.root, "sha256")
        stray_root = make_root(folder, "stray-root", "sha1")
        stray = make_signer(folder, "stray", "Brisbel", stray_root, "sha1")
        self.files = {name: os.path.join(folder, name + ".exe")
                      for name in ("good", "lowercase", "unsigned", "tampered", "untrusted")}
        shutil.copyfile(program, self.files["unsigned"])
        sign(program, self.files["good"], self.signer, "sha256")
        sign(program, self.files["lowercase"], lower, "sha256")
        change_one_byte(self.files["good"], self.files["tampered"])
        sign(program, self.files["untrusted"], stray, "sha1", chain=stray_root[1])

    @property
    def root_cert(self):
        return self.root[1]
