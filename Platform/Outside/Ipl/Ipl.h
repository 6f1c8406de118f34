#pragma once
// The image-processing library the frame images are built on, by the names
// and records of the Intel Image Processing Library: an image header with an
// optional region of interest (ROI) and channel of interest (coi), and the
// operations the program calls on 8-bit pixel-order images.
//
// Rules that every operation follows:
// - Images are 8 bits per channel (IPL_DEPTH_8U), pixel order, 1 to 4
//   channels. Other depths, plane order or a missing header or data fail
//   with a negative status and change nothing.
// - The region of an image is its ROI (offsets and size) or the whole
//   image. A ROI that does not lie wholly inside the image, or is empty,
//   fails with IPL_BadROISize; a coi above the channel count fails with
//   IPL_BadCOI. Rows are memory rows: yOffset counts from the first row in
//   memory whatever the origin (only the DIB conversions look at origin).
// - An operation on two or more images works on the top-left part of their
//   regions that they all share (the smallest width and height).
// - Channels: with no coi on either side all channels take part and the
//   channel counts must match. When one side has a coi, one channel takes
//   part: the coi channel on that side, and on the other side its own coi,
//   its only channel when it has one, or else the same channel number. So a
//   3-channel image with coi 1 copies its first channel into a 1-channel
//   image.
// - Source and destination may be the same image; an operation whose output
//   would overwrite pixels it has still to read works from a copy.
// - The maskROI, tileInfo and BorderMode fields are carried, not consulted.
// - Every call sets the status that iplGetErrStatus returns: IPL_StsOk when
//   it worked, a negative code when it did not. The status is per thread.
//
// Formulas this library chooses where IPL leaves them open:
// - Zoom and decimation are separable. Per axis a destination pixel x maps
//   into the source with the fraction src/dst given in the call:
//   IPL_INTER_NN takes source pixel floor((x + 0.5) * src / dst);
//   IPL_INTER_LINEAR (and IPL_INTER_CUBIC) zooms by linear interpolation
//   between the two source pixels around (x + 0.5) * src / dst - 0.5 (edge
//   pixels repeated), while decimation with it (and IPL_INTER_SUPER either
//   way) averages the source span [x * src / dst, (x + 1) * src / dst) with
//   each source pixel weighted by its overlap. Weights are 14-bit fixed
//   point summing to 16384 per axis; the horizontal pass keeps 8 fractional
//   bits and the vertical pass rounds to the nearest level, so a flat image
//   stays flat and a factor of 1 copies exactly. The scaled size is the
//   source region times the fraction (rounded down), written from the
//   destination region's top-left corner and cut to that region.
// - Alpha composites, per pixel, with alphas aA and aB in 0..255 and the
//   Porter-Duff factors FA, FB of the operation scaled to 0..255
//   (OVER: 255, 255 - aA; IN: aB, 0; OUT: 255 - aB, 0; ATOP: aB, 255 - aA;
//   XOR: 255 - aB, 255 - aA; PLUS: 255, 255):
//     wA = FA * aA and wB = FB * aB (premulAlpha 0), or FA * 255 and FB * 255
//     (premulAlpha 1, the colours already carry their alpha);
//     den = FA * aA + FB * aB with divideMode 1, 65025 with divideMode 0;
//     colour = (A * wA + B * wB + den / 2) / den, at most 255, 0 when den is 0;
//     result alpha = (FA * aA + FB * aB + 127) / 255, at most 255.
//   So OVER with an opaque B (aB 255) is (A * aA + B * (255 - aA)) / 255
//   rounded, and OVER with constant alphas aA = 255 - a, aB = a weighs B by
//   a^2 / (255^2 - 255a + a^2), as the Porter-Duff OVER of two translucent
//   layers does.
//   An image's alpha comes from its alpha image when one is given (that
//   image's alpha channel, else its coi, else its first channel, within its
//   region), else from its own alpha channel, else it is 255 (opaque). The
//   result alpha is written into alphaImageDst when given, else into the
//   destination's alpha channel when it has one. Colour channels are all
//   channels but the alpha channel, or only the coi channel when the
//   destination (else A, else B) has a coi. A, B and the destination must
//   have the same channel count.
// - Blur is the mean of the nCols x nRows box whose anchor pixel sits on the
//   output pixel, rounded to the nearest level; pixels outside the source
//   region repeat the region's edge pixels.
// - DIB conversion: 8-bit images of 3 or 4 channels map bytes to blue, green
//   and red by channelSeq ("BGR" or "RGB"; other sequences are read as
//   BGR); a 1-channel image, or any image with a coi, is grey (the one
//   channel into all three). Writing into a grey image or a coi stores the
//   luminance (76 R + 151 G + 28 B + 127) / 255, or, for a coi of a colour
//   image, that channel's colour. Fields of 16- and 32-bit DIBs (5-5-5 for
//   BI_RGB 16 bits, the masks for BI_BITFIELDS) keep the top bits of a level
//   on writing and repeat their bits downwards on reading (5 bits v give
//   v << 3 | v >> 2). 32-bit BI_RGB carries the alpha channel in its fourth
//   byte when the image has one (0 otherwise). 8-bit targets map each pixel
//   to the nearest colour of the DIB's table (squared distance, the lower
//   index on a tie); dither IPL_DITHER_NONE maps
//   directly and any other dither diffuses the error Floyd-Steinberg style
//   (7/16 right, 3/16, 5/16, 1/16 below, each share truncated toward zero).
//   IPL_PALCONV_NONE uses the table as it is; IPL_PALCONV_POPULATE and
//   IPL_PALCONV_MEDCUT both first fill the table (biClrUsed entries, 256
//   when 0) with the most frequent colours of the image at 5 bits per
//   channel, rest black. Reading accepts 1, 4 and 8 bits with a colour
//   table (indices past the table read black), 16, 24 and 32 bits; writing
//   8, 16, 24 and 32 bits. Positive biHeight is bottom-up, negative
//   top-down; region row r pairs with DIB row r counted from the top for an
//   IPL_ORIGIN_TL image and from the bottom for IPL_ORIGIN_BL.

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"

using IPLStatus = int;

constexpr IPLStatus IPL_StsOk = 0;
constexpr IPLStatus IPL_StsBackTrace = -1;
constexpr IPLStatus IPL_StsError = -2;
constexpr IPLStatus IPL_StsInternal = -3;
constexpr IPLStatus IPL_StsNoMem = -4;
constexpr IPLStatus IPL_StsBadArg = -5;
constexpr IPLStatus IPL_StsBadFunc = -6;
constexpr IPLStatus IPL_StsNoConv = -7;
constexpr IPLStatus IPL_StsAutoTrace = -8;
constexpr IPLStatus IPL_HeaderIsNull = -9;
constexpr IPLStatus IPL_BadImageSize = -10;
constexpr IPLStatus IPL_BadOffset = -11;
constexpr IPLStatus IPL_BadDataPtr = -12;
constexpr IPLStatus IPL_BadStep = -13;
constexpr IPLStatus IPL_BadModelOrChSeq = -14;
constexpr IPLStatus IPL_BadNumChannels = -15;
constexpr IPLStatus IPL_BadNumChannel1U = -16;
constexpr IPLStatus IPL_BadDepth = -17;
constexpr IPLStatus IPL_BadAlphaChannel = -18;
constexpr IPLStatus IPL_BadOrder = -19;
constexpr IPLStatus IPL_BadOrigin = -20;
constexpr IPLStatus IPL_BadAlign = -21;
constexpr IPLStatus IPL_BadCallBack = -22;
constexpr IPLStatus IPL_BadTileSize = -23;
constexpr IPLStatus IPL_BadCOI = -24;
constexpr IPLStatus IPL_BadROISize = -25;
constexpr IPLStatus IPL_MaskIsTiled = -26;
constexpr IPLStatus IPL_StsNullPtr = -27;

constexpr int IPL_DEPTH_SIGN = static_cast<int>(0x80000000u);
constexpr int IPL_DEPTH_1U = 1;
constexpr int IPL_DEPTH_8U = 8;
constexpr int IPL_DEPTH_16U = 16;
constexpr int IPL_DEPTH_32F = 32;
constexpr int IPL_DEPTH_8S = IPL_DEPTH_SIGN | 8;
constexpr int IPL_DEPTH_16S = IPL_DEPTH_SIGN | 16;
constexpr int IPL_DEPTH_32S = IPL_DEPTH_SIGN | 32;

constexpr int IPL_DATA_ORDER_PIXEL = 0;
constexpr int IPL_DATA_ORDER_PLANE = 1;

constexpr int IPL_ORIGIN_TL = 0;
constexpr int IPL_ORIGIN_BL = 1;

constexpr int IPL_ALIGN_4BYTES = 4;
constexpr int IPL_ALIGN_8BYTES = 8;
constexpr int IPL_ALIGN_16BYTES = 16;
constexpr int IPL_ALIGN_32BYTES = 32;
constexpr int IPL_ALIGN_DWORD = IPL_ALIGN_4BYTES;
constexpr int IPL_ALIGN_QWORD = IPL_ALIGN_8BYTES;

constexpr int IPL_IMAGE_HEADER = 1;
constexpr int IPL_IMAGE_DATA = 2;
constexpr int IPL_IMAGE_ROI = 4;
constexpr int IPL_IMAGE_TILE = 8;
constexpr int IPL_IMAGE_MASK = 16;
constexpr int IPL_IMAGE_ALL = IPL_IMAGE_HEADER | IPL_IMAGE_DATA | IPL_IMAGE_TILE | IPL_IMAGE_ROI | IPL_IMAGE_MASK;
constexpr int IPL_IMAGE_ALL_WITHOUT_MASK = IPL_IMAGE_HEADER | IPL_IMAGE_DATA | IPL_IMAGE_TILE | IPL_IMAGE_ROI;

constexpr int IPL_INTER_NN = 0;
constexpr int IPL_INTER_LINEAR = 1;
constexpr int IPL_INTER_CUBIC = 2;
constexpr int IPL_INTER_SUPER = 3;

constexpr int IPL_COMPOSITE_OVER = 0;
constexpr int IPL_COMPOSITE_IN = 1;
constexpr int IPL_COMPOSITE_OUT = 2;
constexpr int IPL_COMPOSITE_ATOP = 3;
constexpr int IPL_COMPOSITE_XOR = 4;
constexpr int IPL_COMPOSITE_PLUS = 5;

constexpr int IPL_DITHER_NONE = 0;
constexpr int IPL_DITHER_FS = 1;
constexpr int IPL_DITHER_JJH = 2;
constexpr int IPL_DITHER_STUCKEY = 3;
constexpr int IPL_DITHER_BAYER = 4;

constexpr int IPL_PALCONV_NONE = 0;
constexpr int IPL_PALCONV_POPULATE = 1;
constexpr int IPL_PALCONV_MEDCUT = 2;

constexpr int IPL_BORDER_CONSTANT = 0;
constexpr int IPL_BORDER_REPLICATE = 1;
constexpr int IPL_BORDER_REFLECT = 2;
constexpr int IPL_BORDER_WRAP = 3;

struct IplROI {
    int coi;
    int xOffset;
    int yOffset;
    int width;
    int height;
};

// Tiled images are not supported; the pointer only travels with the header.
struct IplTileInfo;

struct IplImage {
    int nSize;
    int ID;
    int nChannels;
    int alphaChannel;
    int depth;
    char colorModel[4];
    char channelSeq[4];
    int dataOrder;
    int origin;
    int align;
    int width;
    int height;
    IplROI* roi;
    IplImage* maskROI;
    void* imageId;
    IplTileInfo* tileInfo;
    int imageSize;
    char* imageData;
    int widthStep;
    int BorderMode[4];
    int BorderConst[4];
    char* imageDataOrigin;
};

// A header only (imageData null), with widthStep and imageSize worked out
// from width, channels and align (4, 8, 16 or 32). colorModel and channelSeq
// keep up to 4 characters. The header takes ownership of `roi`; maskROI and
// tileInfo are only stored. Null with the status set when an argument is out
// of range or the image would exceed 2^31 - 1 bytes.
IplImage* iplCreateImageHeader(int nChannels, int alphaChannel, int depth, const char* colorModel,
                               const char* channelSeq, int dataOrder, int origin, int align, int width,
                               int height, IplROI* roi, IplImage* maskROI, void* imageId, IplTileInfo* tileInfo);
// Allocates imageSize bytes, the first row on a 32-byte boundary. The data
// starts zeroed; with doFill non-zero every byte is fillValue instead.
// IPL_StsNoMem when memory is short (imageData stays null).
void iplAllocateImage(IplImage* image, int doFill, int fillValue);
// Frees the header and its ROI, not the data.
void iplDeallocateHeader(IplImage* image);
// Frees the data only.
void iplDeallocateImage(IplImage* image);
// Frees what `flag` names: IPL_IMAGE_DATA the data, IPL_IMAGE_ROI the ROI
// (the pointer becomes null), IPL_IMAGE_HEADER the header with its ROI;
// IPL_IMAGE_TILE and IPL_IMAGE_MASK only clear their pointers, which the
// header never owns.
void iplDeallocate(IplImage* image, int flag);

IPLStatus iplGetErrStatus();
void iplSetErrStatus(IPLStatus status);

// Null when memory is short; the caller (or the header it is attached to)
// owns the record.
IplROI* iplCreateROI(int coi, int xOffset, int yOffset, int width, int height);
void iplSetROI(IplROI* roi, int coi, int xOffset, int yOffset, int width, int height);
void iplDeleteROI(IplROI* roi);

void iplCopy(const IplImage* srcImage, IplImage* dstImage);
// Sets every channel of the region, or the coi channel, to the low 8 bits
// of fillValue.
void iplSet(IplImage* image, int fillValue);
// Enlarges by xDst/xSrc and yDst/ySrc (each at least 1); IPL_StsBadArg for
// other fractions or an unknown interpolation.
void iplZoom(const IplImage* srcImage, IplImage* dstImage, int xDst, int xSrc, int yDst, int ySrc,
             int interpolate);
// Reduces by xDst/xSrc and yDst/ySrc (each above 0 and at most 1).
void iplDecimate(const IplImage* srcImage, IplImage* dstImage, int xDst, int xSrc, int yDst, int ySrc,
                 int interpolate);
// flipAxis 0 turns the region upside down, 1 flips it left to right, -1
// does both.
void iplMirror(const IplImage* srcImage, IplImage* dstImage, int flipAxis);
// Box blur; nCols and nRows at least 1, anchor within the kernel.
void iplBlur(const IplImage* srcImage, IplImage* dstImage, int nCols, int nRows, int anchorX, int anchorY);
void iplAlphaComposite(const IplImage* srcImageA, const IplImage* srcImageB, IplImage* dstImage,
                       int compositeType, const IplImage* alphaImageA, const IplImage* alphaImageB,
                       IplImage* alphaImageDst, BOOL premulAlpha, BOOL divideMode);
// aA and aB are clamped to 0..255.
void iplAlphaCompositeC(const IplImage* srcImageA, const IplImage* srcImageB, IplImage* dstImage,
                        int compositeType, int aA, int aB, BOOL premulAlpha, BOOL divideMode);
// The pixels follow the header: after biSize bytes come the three masks of
// a BI_BITFIELDS DIB with a 40-byte header, then biClrUsed colour entries
// (for 8 bits or less, biClrUsed or else 1 << biBitCount), then the rows,
// each padded to 4 bytes.
void iplConvertToDIB(const IplImage* image, BITMAPINFOHEADER* dib, int dither, int paletteConversion);
void iplConvertFromDIB(const BITMAPINFOHEADER* dib, IplImage* image);
