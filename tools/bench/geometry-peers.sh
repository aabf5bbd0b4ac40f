#!/bin/sh
# Whole-process timings of zelvo-cli beside vips, Pillow and ImageMagick, all
# single-threaded, each case in one hyperfine run so the machine's load falls
# on every tool alike:
#   lanczos-down  Lanczos3 4000 x 3000 -> 1000 x 750
#   lanczos-up    Lanczos3 1000 x 750 -> 4000 x 3000
#   rotate        rotation by 30 degrees, canvas enlarged, nearest pixel
#   quarter       Rotate90 clockwise, Mirror and Flip beside vips rot and flip
# Every case also times each tool's bare load and save of the same picture,
# so that the summary can give the ratio of the operations alone.
#
# Formats: zelvo-cli reads and writes 24-bit BMP (its fastest uncompressed
# form); the peers read and write binary PPM (vips, Pillow and ImageMagick
# all read it natively). make-pictures.py writes both with the same pixels.
#
# usage: geometry-peers.sh ZELVO_CLI PICTURE_DIR OUT_DIR [RUNS] [CASE...]
# Needs hyperfine, vips, /usr/bin/convert and /usr/bin/python3 with Pillow.
set -eu

cli=$1
pics=$2
out=$3
runs=${4:-10}
shift 3
[ $# -gt 0 ] && shift
cases=${*:-lanczos-down lanczos-up rotate quarter}

export VIPS_CONCURRENCY=1 MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1
mkdir -p "$out"
py=/usr/bin/python3
im=/usr/bin/convert
here=$(dirname "$0")

run() {
    name=$1
    shift
    hyperfine -N --warmup 2 --runs "$runs" --export-json "$out/$name.json" "$@"
    "$py" "$here/hyperfine-ratios.py" "$out/$name.json"
}

for c in $cases; do
    case $c in
    lanczos-down)
        run lanczos-down \
            -n zelvo "$cli apply $pics/big.bmp $out/z.bmp Resample:Lanczos3,1000,750" \
            -n vips "vips resize $pics/big.ppm $out/v.ppm 0.25 --kernel lanczos3 --gap 0" \
            -n pillow "$py -c 'from PIL import Image; Image.open(\"$pics/big.ppm\").resize((1000, 750), Image.LANCZOS).save(\"$out/p.ppm\")'" \
            -n magick "$im $pics/big.ppm -filter Lanczos -resize 1000x750! $out/m.ppm" \
            -n zelvo-bare "$cli apply $pics/big.bmp $out/z.bmp" \
            -n vips-bare "vips copy $pics/big.ppm $out/v.ppm" \
            -n pillow-bare "$py -c 'from PIL import Image; Image.open(\"$pics/big.ppm\").save(\"$out/p.ppm\")'" \
            -n magick-bare "$im $pics/big.ppm $out/m.ppm"
        ;;
    lanczos-up)
        run lanczos-up \
            -n zelvo "$cli apply $pics/small.bmp $out/z.bmp Resample:Lanczos3,4000,3000" \
            -n vips "vips resize $pics/small.ppm $out/v.ppm 4 --kernel lanczos3 --gap 0" \
            -n pillow "$py -c 'from PIL import Image; Image.open(\"$pics/small.ppm\").resize((4000, 3000), Image.LANCZOS).save(\"$out/p.ppm\")'" \
            -n magick "$im $pics/small.ppm -filter Lanczos -resize 4000x3000! $out/m.ppm" \
            -n zelvo-bare "$cli apply $pics/small.bmp $out/z.bmp" \
            -n vips-bare "vips copy $pics/small.ppm $out/v.ppm" \
            -n pillow-bare "$py -c 'from PIL import Image; Image.open(\"$pics/small.ppm\").save(\"$out/p.ppm\")'" \
            -n magick-bare "$im $pics/small.ppm $out/m.ppm"
        ;;
    rotate)
        # A positive angle turns both pictures clockwise on the screen (vips's
        # own help says anticlockwise, counting y upwards); both enlarge the
        # canvas to 4964 x 4598.
        run rotate \
            -n zelvo "$cli apply $pics/big.bmp $out/z.bmp RotateAngle:300,1" \
            -n vips "vips rotate $pics/big.ppm $out/v.ppm 30 --interpolate nearest" \
            -n zelvo-bare "$cli apply $pics/big.bmp $out/z.bmp" \
            -n vips-bare "vips copy $pics/big.ppm $out/v.ppm"
        ;;
    quarter)
        run quarter \
            -n zelvo-rotate90 "$cli apply $pics/big.bmp $out/z.bmp Rotate90:1" \
            -n zelvo-mirror "$cli apply $pics/big.bmp $out/z.bmp Mirror" \
            -n zelvo-flip "$cli apply $pics/big.bmp $out/z.bmp Flip" \
            -n vips-rotate90 "vips rot $pics/big.ppm $out/v.ppm d90" \
            -n vips-mirror "vips flip $pics/big.ppm $out/v.ppm horizontal" \
            -n vips-flip "vips flip $pics/big.ppm $out/v.ppm vertical" \
            -n zelvo-bare "$cli apply $pics/big.bmp $out/z.bmp" \
            -n vips-bare "vips copy $pics/big.ppm $out/v.ppm"
        ;;
    *)
        echo "unknown case $c" >&2
        exit 1
        ;;
    esac
done
