#!/usr/bin/env python3
"""Writes one Windows package of Korin: a zip whose one folder, korin-VERSION-ARCH,
holds korin.exe, korin-cli.exe, the sample pictures, the read-me and the
licence (LICENSE.txt, the one given, already in CRLF lines).

Usage: make_zip.py OUT.zip VERSION ARCH BUILD_FOLDER SAMPLES_FOLDER README_TEMPLATE LICENSE.txt
"""
import os
import sys
import zipfile

from windows_readme import windows_readme


def main(argv):
    if len(argv) != 8:
        sys.exit(__doc__)
    out, version, arch, build, samples, template, licence = argv[1:]
    top = "korin-%s-%s" % (version, arch)
    readme = windows_readme(template, version, arch)

    pictures = sorted(n for n in os.listdir(samples) if n.lower().endswith(".bmp"))
    if not pictures:
        sys.exit("make_zip: no sample pictures in %s" % samples)
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        for program in ("korin.exe", "korin-cli.exe"):
            z.write(os.path.join(build, program), "%s/%s" % (top, program))
        for name in pictures:
            z.write(os.path.join(samples, name), "%s/samples/%s" % (top, name))
        z.writestr("%s/README.txt" % top, readme)
        z.write(licence, "%s/LICENSE.txt" % top)
    os.replace(partial, out)


if __name__ == "__main__":
    main(sys.argv)
