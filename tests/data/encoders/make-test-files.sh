#!/bin/sh
# Made the pictures of this folder once (Python 3 with Pillow's lcms2
# bindings and exiftool 12.57 of Debian 12); the tests read the committed
# files and do not run this. Run from this folder: sh make-test-files.sh
set -eu
# metadata-srgb.jpg: ../exif/metadata.jpg (EXIF with orientation 6 and a
# thumbnail, XMP with a title) with its stand-in profile replaced by a real
# sRGB profile made by lcms2, which every encoder accepts.
/usr/bin/python3 -c "
from PIL import ImageCms
open('srgb.icc', 'wb').write(ImageCms.ImageCmsProfile(ImageCms.createProfile('sRGB')).tobytes())
"
cp ../exif/metadata.jpg metadata-srgb.jpg
exiftool -q -overwrite_original "-ICC_Profile<=srgb.icc" metadata-srgb.jpg
rm srgb.icc
