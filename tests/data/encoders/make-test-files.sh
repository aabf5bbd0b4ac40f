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
# metadata-gps.jpg: ../exif/orient-6.jpg (big-endian EXIF, orientation 6,
# a thumbnail) given an Exif IFD, its interoperability IFD, a GPS IFD and a
# copyright, for the TIFF writer's EXIF directories.
cp ../exif/orient-6.jpg metadata-gps.jpg
exiftool -q -overwrite_original -DateTimeOriginal="2024:05:06 07:08:09" -ExposureTime=1/250 -FNumber=5.6 \
  -ISO=200 -UserComment="kept in the Exif IFD" -InteropIndex=R98 -GPSLatitude=49.1951 -GPSLatitudeRef=N \
  -GPSLongitude=16.6068 -GPSLongitudeRef=E -GPSAltitude=237 -GPSAltitudeRef=0 -GPSTimeStamp=07:08:09 \
  -GPSDateStamp=2024:05:06 -Copyright="Zelvo tests" metadata-gps.jpg
