"""Certificates and Authenticode-signed files made for one test run (openssl, osslsigncode).
Nothing made here is trusted anywhere but by the program under test."""

import os
import shutil
import subprocess


def run(argv):
    done = subprocess.run(argv, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError("%s failed:\n%s%s" % (" ".join(argv), done.stdout, done.stderr))


def make_root(folder, name, digest="sha256"):
    key, cert = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
         "-out", cert, "-days", "2", "-" + digest, "-subj", "/CN=Tintel test root " + name,
         "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    return key, cert


def make_cert(folder, name, subject, root, extensions, digest="sha256"):
    """A certificate for `subject` issued by `root`, with the extension lines given."""
    key, csr, cert, ext = (os.path.join(folder, name + suffix)
                           for suffix in (".key", ".csr", ".pem", ".ext"))
    with open(ext, "w") as f:
        f.write(extensions)
    run(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr,
         "-subj", subject])
    run(["openssl", "x509", "-req", "-in", csr, "-CA", root[1], "-CAkey", root[0],
         "-CAcreateserial", "-out", cert, "-days", "2", "-" + digest, "-extfile", ext])
    return key, cert


def verify(path, root_cert):
    """osslsigncode's opinion: True when the signature and its chain to `root_cert` hold."""
    return subprocess.run(["osslsigncode", "verify", "-CAfile", root_cert, "-in", path],
                          capture_output=True).returncode == 0


class SignedSet:
    """The files the verification tests need, made in `folder` from `program`: good.exe (signed by
    "Brisbel", SHA-256), lowercase.exe (by "brisbel"), unsigned.exe, tampered.exe (good.exe with a
    byte of its code changed), untrusted.exe (SHA-1, the chain embedded, a root nobody trusts)."""

    def __init__(self, folder, program):
        os.makedirs(folder, exist_ok=True)
        self.folder = folder
        self.root = make_root(folder, "root")
        stray_root = make_root(folder, "stray-root", "sha1")

        def signer(name, common_name, root, digest="sha256"):
            return make_cert(folder, name, "/CN=%s/O=%s" % (common_name, common_name), root,
                             "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                             "extendedKeyUsage=codeSigning\n", digest)

        def sign(name, by, digest="sha256", chain=()):
            run(["osslsigncode", "sign", *chain, "-certs", by[1], "-key", by[0], "-h", digest,
                 "-n", "Tintel test", "-in", program, "-out", os.path.join(folder, name + ".exe")])

        self.signer = signer("brisbel", "Brisbel", self.root)
        sign("good", self.signer)
        sign("lowercase", signer("lowercase", "brisbel", self.root))
        sign("untrusted", signer("stray", "Brisbel", stray_root, "sha1"), "sha1",
             ("-ac", stray_root[1]))
        shutil.copyfile(program, os.path.join(folder, "unsigned.exe"))
        with open(os.path.join(folder, "good.exe"), "rb") as f:
            data = bytearray(f.read())
        data[len(data) // 3] ^= 0x55
        with open(os.path.join(folder, "tampered.exe"), "wb") as f:
            f.write(data)

    @property
    def root_cert(self):
        return self.root[1]
