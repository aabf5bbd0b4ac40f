/*
 * Makes the TIFF files of tiff/ and tiff/colour/ that ImageMagick cannot
 * write, with libtiff's own API and lcms2 (see make-tiff-colour.sh):
 *
 * - tiff/grey16-signed.tiff: 16-bit signed grey samples (SampleFormat 2)
 *   from -32768 to 32767 over the picture;
 * - tiff/grey12.tiff: 12-bit grey samples, packed from the high bit on,
 *   and tiff/grey12.ref.ppm, the same samples at maxval 4095;
 * - tiff/colour/cmyk8-icc.tiff, cmyk16-icc.tiff: CMYK at 8 and 16 bits
 *   with an ICC profile made here, whose CMYK -> XYZ table is exactly
 *   red = (1 - cyan)(1 - black) (and so on), sRGB-encoded, through sRGB's
 *   curves and D50 primaries; the CMYK samples are the source RGB picture
 *   (greys in black), so a colour-managed reader gives back the source
 *   picture within rounding;
 * - tiff/colour/cmyk16-jpeg.tiff is attempted (16-bit CMYK with JPEG
 *   compression) and reported when libtiff refuses to write it.
 *
 * Usage: make-tiff-colour SOURCE.ppm (37 x 23, maxval 255).
 */
#include <lcms2.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tiffio.h>

enum { kWidth = 37, kHeight = 23 };

static uint8_t source[kHeight][kWidth][3];

static void read_source(const char* path) {
    FILE* f = fopen(path, "rb");
    int w = 0, h = 0, maxval = 0;
    if (!f || fscanf(f, "P6 %d %d %d", &w, &h, &maxval) != 3 || w != kWidth || h != kHeight || maxval != 255 ||
        fgetc(f) == EOF || fread(source, 1, sizeof source, f) != sizeof source) {
        fprintf(stderr, "cannot read %s\n", path);
        exit(1);
    }
    fclose(f);
}

/* The CMYK profile: A curves (identity), a 2-point table giving
   sRGB-encoded red, green and blue, M curves (sRGB's), the D50 sRGB matrix
   into XYZ, B curves (identity). */
static cmsHPROFILE make_cmyk_profile(void) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    const cmsCIEXYZ* primaries[3] = {cmsReadTag(srgb, cmsSigRedColorantTag), cmsReadTag(srgb, cmsSigGreenColorantTag),
                                     cmsReadTag(srgb, cmsSigBlueColorantTag)};
    /* A lutAtoB gives XYZ in the 16-bit encoding: 1.0 is 1 + 32767/32768. */
    const double scale = 1.0 / (1.0 + 32767.0 / 32768.0);
    double matrix[9];
    for (int c = 0; c < 3; ++c) {
        matrix[0 * 3 + c] = primaries[c]->X * scale;
        matrix[1 * 3 + c] = primaries[c]->Y * scale;
        matrix[2 * 3 + c] = primaries[c]->Z * scale;
    }
    cmsCloseProfile(srgb);

    cmsUInt16Number table[16 * 3];
    for (int i = 0; i < 16; ++i) {
        const int c = (i >> 3) & 1, m = (i >> 2) & 1, y = (i >> 1) & 1, k = i & 1;
        table[3 * i + 0] = (cmsUInt16Number)(!c && !k ? 0xFFFF : 0);
        table[3 * i + 1] = (cmsUInt16Number)(!m && !k ? 0xFFFF : 0);
        table[3 * i + 2] = (cmsUInt16Number)(!y && !k ? 0xFFFF : 0);
    }
    const cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* identity = cmsBuildGamma(NULL, 1.0);
    cmsToneCurve* encoded = cmsBuildParametricToneCurve(NULL, 4, srgbCurve);
    cmsToneCurve* const a[4] = {identity, identity, identity, identity};
    cmsToneCurve* const m[3] = {encoded, encoded, encoded};
    cmsToneCurve* const b[3] = {identity, identity, identity};

    cmsPipeline* lut = cmsPipelineAlloc(NULL, 4, 3);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(NULL, 4, a));
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocCLut16bit(NULL, 2, 4, 3, table));
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(NULL, 3, m));
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocMatrix(NULL, 3, 3, matrix, NULL));
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(NULL, 3, b));

    cmsHPROFILE profile = cmsCreateProfilePlaceholder(NULL);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigXYZData);
    cmsSetHeaderRenderingIntent(profile, INTENT_PERCEPTUAL);
    cmsMLU* description = cmsMLUalloc(NULL, 1);
    cmsMLUsetASCII(description, "en", "US", "Zelvo test CMYK");
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsWriteTag(profile, cmsSigAToB0Tag, lut);
    cmsMLUfree(description);
    cmsPipelineFree(lut);
    cmsFreeToneCurve(identity);
    cmsFreeToneCurve(encoded);
    return profile;
}

/* The source pixel as CMYK (0..1): greys in black alone, colours in
   cyan, magenta and yellow alone. The profile's table has two points per
   ink and lcms2 interpolates it over tetrahedra, which is exact along
   either but not for a colour mixed with black. */
static void cmyk_of(int x, int y, double out[4]) {
    const uint8_t* p = source[y][x];
    const int grey = p[0] == p[1] && p[1] == p[2];
    for (int c = 0; c < 3; ++c) out[c] = grey ? 0.0 : 1.0 - p[c] / 255.0;
    out[3] = grey ? 1.0 - p[0] / 255.0 : 0.0;
}

static int write_cmyk(const char* path, int bits, uint16_t compression, const void* icc, cmsUInt32Number iccBytes) {
    TIFF* tif = TIFFOpen(path, "w");
    if (!tif) return 0;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, (uint32_t)kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, (uint16_t)bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, (uint16_t)4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
    TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, (uint32_t)8);
    int ok = TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, iccBytes, icc);
    uint8_t row[kWidth * 4 * 2];
    const double top = bits == 8 ? 255.0 : 65535.0;
    for (int y = 0; ok && y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            double cmyk[4];
            cmyk_of(x, y, cmyk);
            for (int s = 0; s < 4; ++s) {
                const unsigned v = (unsigned)lround(cmyk[s] * top);
                if (bits == 8) {
                    row[x * 4 + s] = (uint8_t)v;
                } else {
                    const uint16_t v16 = (uint16_t)v;
                    memcpy(row + (x * 4 + s) * 2, &v16, 2);
                }
            }
        }
        ok = TIFFWriteScanline(tif, row, (uint32_t)y, 0) >= 0;
    }
    TIFFClose(tif);
    if (!ok) remove(path);
    return ok;
}

/* The grey level of (x, y) at 16 bits, not a multiple of 257. */
static unsigned grey16_at(int x, int y) { return (unsigned)(x * 1771 + y * 2897 + 128) % 65536; }

static void write_signed_grey(const char* path) {
    TIFF* tif = TIFFOpen(path, "w");
    if (!tif) exit(1);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, (uint32_t)kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, (uint16_t)16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, (uint16_t)1);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, (uint32_t)kHeight);
    int16_t row[kWidth];
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) row[x] = (int16_t)((int)grey16_at(x, y) - 32768);
        if (TIFFWriteScanline(tif, row, (uint32_t)y, 0) < 0) exit(1);
    }
    TIFFClose(tif);
}

static void write_grey12(const char* path, const char* referencePath) {
    TIFF* tif = TIFFOpen(path, "w");
    FILE* reference = fopen(referencePath, "wb");
    if (!tif || !reference) exit(1);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, (uint32_t)kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, (uint16_t)12);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, (uint16_t)1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, (uint32_t)4);
    fprintf(reference, "P6\n%d %d\n4095\n", kWidth, kHeight);
    uint8_t row[(kWidth * 12 + 7) / 8];
    for (int y = 0; y < kHeight; ++y) {
        memset(row, 0, sizeof row);
        for (int x = 0; x < kWidth; ++x) {
            const unsigned v = grey16_at(x, y) >> 4;
            const int bit = x * 12;
            /* Twelve bits from bit `bit` on, the highest first. */
            for (int i = 0; i < 12; ++i)
                if (v >> (11 - i) & 1) row[(bit + i) >> 3] |= (uint8_t)(0x80 >> ((bit + i) & 7));
            for (int c = 0; c < 3; ++c) {
                fputc((int)(v >> 8), reference);
                fputc((int)(v & 255), reference);
            }
        }
        if (TIFFWriteScanline(tif, row, (uint32_t)y, 0) < 0) exit(1);
    }
    TIFFClose(tif);
    fclose(reference);
}

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    read_source(argv[1]);
    cmsHPROFILE profile = make_cmyk_profile();
    cmsUInt32Number bytes = 0;
    cmsSaveProfileToMem(profile, NULL, &bytes);
    void* icc = malloc(bytes);
    cmsSaveProfileToMem(profile, icc, &bytes);
    cmsCloseProfile(profile);
    write_signed_grey("tiff/grey16-signed.tiff");
    write_grey12("tiff/grey12.tiff", "tiff/grey12.ref.ppm");
    if (!write_cmyk("tiff/colour/cmyk8-icc.tiff", 8, COMPRESSION_LZW, icc, bytes) ||
        !write_cmyk("tiff/colour/cmyk16-icc.tiff", 16, COMPRESSION_ADOBE_DEFLATE, icc, bytes))
        return 1;
    if (!write_cmyk("tiff/colour/cmyk16-jpeg.tiff", 16, COMPRESSION_JPEG, icc, bytes))
        fprintf(stderr, "libtiff writes no 16-bit CMYK with JPEG compression\n");
    if (!write_cmyk("tiff/colour/cmyk8-jpeg-icc.tiff", 8, COMPRESSION_JPEG, icc, bytes)) return 1;
    free(icc);
    return 0;
}
