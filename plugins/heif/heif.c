/*
 * HEIF and AVIF reader plug-in over libheif: the primary picture of a
 * HEIC (HEVC) or AVIF (AV1) file, with the file's rotation, mirroring and
 * crop applied as libheif does by default, at 8 bits per channel (deeper
 * pictures are converted by libheif).
 *
 * A picture without alpha comes back at 24 bits; one with alpha at 32 bits
 * (blue, green, red, alpha), whose colours the host keeps as they are. A
 * file whose coding the installed libheif has no decoder for is not
 * claimed: IsSupported and GetPictureInfo look at the brand and at the
 * decoders libheif reports.
 */
#include <string.h>

#include <libheif/heif.h>

#include "../common/spi_plugin.h"

/* One pattern entry: the open dialog lists the first entry of a plug-in. */
static const char* const kTexts[] = {"00IN", "HEIF/AVIF reader for Zelvo (libheif)", "*.heic;*.heif;*.hif;*.avif",
                                     "HEIF/AVIF ファイル"};

/* The widest and highest picture libheif is allowed to describe. */
#define HEIF_MAX_SIDE 65535

/* Whether libheif has a decoder for the file's main brand. */
static int brand_decodable(const void* data, int64_t length) {
    if (!data || length < 12) return 0;
    const uint8_t* p = (const uint8_t*)data;
    if (memcmp(p + 4, "ftyp", 4) != 0) return 0;
    const int len = length > 4096 ? 4096 : (int)length;
    if (heif_check_filetype(p, len) != heif_filetype_yes_supported) return 0;
    const enum heif_brand brand = heif_main_brand(p, len);
    if (brand == heif_avif || brand == heif_avis) return heif_have_decoder_for_format(heif_compression_AV1);
    if (brand == heif_unknown_brand) return 0;
    /* heic, heix, heim, heis, mif1, msf1 and the like: HEVC, or AV1 in a
       generic mif1 file; decoding tells which. */
    return heif_have_decoder_for_format(heif_compression_HEVC) || heif_have_decoder_for_format(heif_compression_AV1);
}

/* The file's context and primary picture; 0 when it cannot be read or is
   of no size or above the pixel limit. */
static int open_primary(const void* data, int64_t length, struct heif_context** context,
                        struct heif_image_handle** handle) {
    *context = NULL;
    *handle = NULL;
    if (!brand_decodable(data, length)) return 0;
    *context = heif_context_alloc();
    if (!*context) return 0;
    heif_context_set_maximum_image_size_limit(*context, HEIF_MAX_SIDE);
    struct heif_error error = heif_context_read_from_memory_without_copy(*context, data, (size_t)length, NULL);
    if (error.code == heif_error_Ok) error = heif_context_get_primary_image_handle(*context, handle);
    if (error.code == heif_error_Ok) {
        const int64_t width = heif_image_handle_get_width(*handle);
        const int64_t height = heif_image_handle_get_height(*handle);
        if (width > 0 && height > 0 && width <= SPI_MAX_PIXELS / height) {
            /* A grid picture's tiles are assembled at the size its grid
               box gives, which libheif does not hold to the size the file
               declares for the picture: a 37 x 23 picture whose grid says
               32 000 x 32 000 would allocate gigabytes before anything
               fails. The declared size (either way round, as a rotation
               may swap it) and one coding block more is the most any
               decoded plane may have. */
            int64_t side = width > height ? width : height;
            const int64_t ispe_width = heif_image_handle_get_ispe_width(*handle);
            const int64_t ispe_height = heif_image_handle_get_ispe_height(*handle);
            if (ispe_width > side) side = ispe_width;
            if (ispe_height > side) side = ispe_height;
            /* Coded pictures are padded to whole coding blocks (at most
               128 pixels) before their crop. */
            side += 128;
            heif_context_set_maximum_image_size_limit(*context, (int)(side < HEIF_MAX_SIDE ? side : HEIF_MAX_SIDE));
            return 1;
        }
    }
    if (*handle) heif_image_handle_release(*handle);
    heif_context_free(*context);
    *context = NULL;
    *handle = NULL;
    return 0;
}

static void close_primary(struct heif_context* context, struct heif_image_handle* handle) {
    heif_image_handle_release(handle);
    heif_context_free(context);
}

static int probe(const void* data, int64_t length, SpiPictureInfo* info) {
    if (!info) return brand_decodable(data, length);
    struct heif_context* context;
    struct heif_image_handle* handle;
    if (!open_primary(data, length, &context, &handle)) return 0;
    info->width = heif_image_handle_get_width(handle);
    info->height = heif_image_handle_get_height(handle);
    info->colorDepth = (int16_t)(heif_image_handle_has_alpha_channel(handle) ? 32 : 24);
    close_primary(context, handle);
    return 1;
}

SPI_DEFINE_INFO_ENTRY_POINTS(kTexts, probe)

SPI_EXPORT int32_t GetPicture(const void* data, int64_t length, uint32_t inputKind, SpiHandle* bitmapInfo,
                              SpiHandle* bits, SpiProgressCallback progress, intptr_t context) {
    if (inputKind != SPI_INPUT_MEMORY || !bitmapInfo || !bits) return SPI_UNSUPPORTED;
    struct heif_context* heif;
    struct heif_image_handle* handle;
    if (!open_primary(data, length, &heif, &handle)) return SPI_UNSUPPORTED;
    const int alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    struct heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options) {
        close_primary(heif, handle);
        return SPI_NO_MEMORY;
    }
    options->convert_hdr_to_8bit = 1;
    struct heif_image* image = NULL;
    const struct heif_error error = heif_decode_image(
        handle, &image, heif_colorspace_RGB, alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
        options);
    heif_decoding_options_free(options);

    int32_t result = SPI_BAD_DATA;
    SpiDib dib;
    memset(&dib, 0, sizeof dib);
    if (error.code == heif_error_Unsupported_feature || error.code == heif_error_Unsupported_filetype) {
        result = SPI_UNSUPPORTED;
    } else if (error.code == heif_error_Memory_allocation_error) {
        result = SPI_NO_MEMORY;
    } else if (error.code == heif_error_Ok && image) {
        const int channels = alpha ? 4 : 3;
        int stride = 0;
        const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        const int width = heif_image_get_width(image, heif_channel_interleaved);
        const int height = heif_image_get_height(image, heif_channel_interleaved);
        /* The decoded picture must be what the handle said, 8 bits a channel. */
        if (plane && width == heif_image_handle_get_width(handle) && height == heif_image_handle_get_height(handle) &&
            heif_image_get_bits_per_pixel(image, heif_channel_interleaved) == 8 * channels &&
            stride >= width * channels) {
            result = spi_dib_create(&dib, width, height, 8 * channels, 0);
            for (int32_t y = 0; result == SPI_OK && y < height; ++y) {
                const uint8_t* from = plane + (int64_t)y * stride;
                uint8_t* to = spi_dib_row(&dib, y);
                for (int32_t x = 0; x < width; ++x, from += channels, to += channels) {
                    to[0] = from[2];
                    to[1] = from[1];
                    to[2] = from[0];
                    if (alpha) to[3] = from[3];
                }
                if (spi_progress(progress, context, y + 1, height)) result = SPI_ABORTED;
            }
        }
    }
    if (image) heif_image_release(image);
    close_primary(heif, handle);
    if (result != SPI_OK) {
        spi_dib_release(&dib);
        return result;
    }
    return spi_dib_hand_over(&dib, bitmapInfo, bits);
}
