/* Baseline JPEG decoder: turns one complete baseline (sequential, Huffman-coded, 8-bit) JPEG
 * picture with three components into Y, Cb and Cr planes, without colour conversion.
 * Plain C interface (create, info, decode, destroy) so that any caller can hold it.
 *
 * All memory is allocated at creation for the largest picture; decoding allocates nothing.
 * Consecutive successful pictures go to two alternating plane sets, so the planes of a picture
 * stay valid and unchanged until the second following decode call. Huffman and quantisation
 * tables carry over from picture to picture; before any picture carries its own, the standard
 * tables of ITU-T T.81 Annex K are used, so Motion-JPEG frames without tables still decode. */
#ifndef VYR_VIDEO_JPEG_JPEG_DECODER_H
#define VYR_VIDEO_JPEG_JPEG_DECODER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Library information, filled by JpegDecoderGetInfo. */
struct JpegDecoderInfo {
    int32_t versionMajor;       /* 1 */
    int32_t versionMinor;       /* 0 */
    int32_t versionPatch;       /* 0 */
    int32_t versionBuild;       /* 5 */
    const char* versionText;    /* "V1.0.0.5", static storage */
    const char* noticeText;     /* one line describing the library, static storage */
    int32_t layoutMask;         /* 31: bit n set for each JPEG_LAYOUT_* value n below 5 that the
                                   library can report (the four layouts and their restart support) */
    int32_t threadsPerDecoder;  /* 1: each decoder decodes on its caller's thread only */
    int32_t reserved0;          /* 0 */
    int32_t suggestedMaxWidth;  /* 4096: the maximum width a Motion-JPEG caller should pass */
    int32_t suggestedMaxHeight; /* 4096: the maximum height a Motion-JPEG caller should pass */
    int32_t reserved1;          /* 0 */
};

/* Creation attributes. A maximum above 8192 or below 16 is replaced by 2048. */
struct JpegDecoderAttributes {
    int32_t reserved0; /* not read */
    int32_t reserved1; /* not read */
    int32_t maxWidth;  /* largest picture width to accept, in samples */
    int32_t maxHeight; /* largest picture height to accept, in rows */
};

/* Sampling layouts of a decoded picture (JpegPicture.layout). Luma sampling H x V; both chroma
 * components are always 1 x 1. Luma stride is the width rounded up to the MCU width. */
enum {
    JPEG_LAYOUT_420 = 0, /* 2x2: chroma half width, half height; chroma stride = luma / 2 */
    JPEG_LAYOUT_422 = 1, /* 2x1: chroma half width, full height; chroma stride = luma / 2 */
    JPEG_LAYOUT_444 = 2, /* 1x1: chroma full size; chroma stride = luma stride */
    JPEG_LAYOUT_440 = 3, /* 1x2: chroma full width, half height; chroma stride = luma */
    JPEG_LAYOUT_NONE = 5 /* nothing was decoded */
};

/* Header error codes (JpegPicture.errorCode). At most one per call: the scan ends at the first. */
enum {
    JPEG_ERROR_NONE = 0,
    JPEG_ERROR_UNSUPPORTED = 1,     /* frame type other than baseline (SOF1..SOF15 and the
                                       arithmetic-coding conditioning marker), precision other
                                       than 8, or a quantisation table number above 3 */
    JPEG_ERROR_GREYSCALE = 2,       /* one component */
    JPEG_ERROR_SIZE = 4,            /* width or height 0, or above the decoder's maximum */
    JPEG_ERROR_COMPONENTS = 8,      /* component count not 3, or unsupported sampling factors */
    JPEG_ERROR_LUMA_SAMPLING = 16,  /* luma sampling 4x1 or 1x4 */
    JPEG_ERROR_QUANT_TABLE = 32,    /* bad quantisation table segment (DQT) */
    JPEG_ERROR_HUFFMAN_TABLE = 64,  /* bad Huffman table segment (DHT) */
    JPEG_ERROR_FRAME_LENGTH = 128,  /* frame header length does not match its component count */
    JPEG_ERROR_RESTART_LENGTH = 512 /* restart interval segment (DRI) of the wrong length */
};

/* One decoded picture, filled by JpegDecoderDecode. */
struct JpegPicture {
    uint8_t* y;           /* luma plane */
    uint8_t* cb;          /* blue-difference plane */
    uint8_t* cr;          /* red-difference plane */
    int32_t width;        /* picture width from the frame header, in samples */
    int32_t height;       /* picture height from the frame header, in rows */
    int32_t lumaStride;   /* bytes between luma rows */
    int32_t chromaStride; /* bytes between chroma rows */
    int32_t layout;       /* JPEG_LAYOUT_*; JPEG_LAYOUT_NONE when nothing was decoded */
    int32_t damaged;      /* 1 when some entropy-coded data failed to decode cleanly or some
                             MCUs of the picture were never reached; the picture is still
                             returned. 0 otherwise, and 0 on failure. */
    int32_t reserved0;    /* not written */
    int32_t callerValue1; /* copied from the decode call; 0 on failure */
    int32_t callerValue2; /* copied from the decode call; 0 on failure */
    int32_t reserved1;    /* set to 0 */
    int32_t errorCode;    /* JPEG_ERROR_* of the header error that ended the scan, 0 if none.
                             A table error after the scan data ends the scan but keeps the
                             picture, so a successful decode can carry a non-zero code. */
    int32_t reserved2;    /* set to 0 */
};

/* Opaque decoder. One decoder is used by one thread at a time. */
struct JpegDecoder;

#ifndef __cplusplus
typedef struct JpegDecoderInfo JpegDecoderInfo;
typedef struct JpegDecoderAttributes JpegDecoderAttributes;
typedef struct JpegPicture JpegPicture;
typedef struct JpegDecoder JpegDecoder;
#endif

/* Fills *info with the library information.
 * Returns 0 on success, -1 when info is null. */
int JpegDecoderGetInfo(JpegDecoderInfo* info);

/* Creates a decoder for pictures up to attributes->maxWidth x attributes->maxHeight. Allocates
 * the working buffer (maxWidth x maxHeight + 65536 bytes) and two plane sets of three planes
 * (each plane is the maximum rounded up to 16 in both directions), all samples set to 128.
 * Returns the decoder, or null when attributes is null, when the processor lacks the required
 * instructions (MMX and conditional moves on x86) or when memory runs out (nothing leaks). */
JpegDecoder* JpegDecoderCreate(const JpegDecoderAttributes* attributes);

/* Decodes one picture from data[0..length), which should hold SOI through EOI; a picture cut
 * after its scan data still decodes. callerValue1 and callerValue2 are copied to the record;
 * reserved is ignored.
 * Returns:
 *    0  a picture was decoded and *picture describes it (damaged may be 1);
 *   -1  no picture: *picture has null planes, zero sizes and strides, layout JPEG_LAYOUT_NONE,
 *       zero caller values and damaged flag, and errorCode says which header error ended the
 *       scan (0 when the data simply held no complete frame and scan);
 *   -2  decoder, data or picture is null; nothing is written. */
int JpegDecoderDecode(JpegDecoder* decoder, const uint8_t* data, int length, int callerValue1,
                      int callerValue2, JpegPicture* picture, int reserved);

/* Frees the decoder and all its buffers. A null decoder is ignored. */
void JpegDecoderDestroy(JpegDecoder* decoder);

#ifdef __cplusplus
}
#endif

#endif /* VYR_VIDEO_JPEG_JPEG_DECODER_H */
