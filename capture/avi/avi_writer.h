/* Writer of RIFF AVI 1.0 files with one compressed video stream.
 *
 * A file is opened, given its video parameters once, receives one chunk per frame and is closed.
 * The first 2048 bytes of the file are a header area rewritten in place: a provisional header
 * (huge RIFF and movi sizes, no frame counts) while recording, so that a file whose process died
 * can still be read chunk by chunk, and the final header at close. The idx1 index keeps absolute
 * file offsets and is written at close. Payloads are stored byte for byte; nothing is encoded.
 *
 * Room for the index is reserved on disk ahead of the chunks (the file is extended with
 * posix_fallocate, in steps of 1 MiB, to cover every chunk written plus its index), so a full
 * disk, a quota or a file-size limit refuses the next chunk, never the index: a file closed after
 * such a refusal holds every chunk written before it, indexed. Until the file is closed it may end
 * in up to a step of zero bytes after the last chunk; closing truncates them.
 *
 * Every function accepts a null handle and then fails (-1) or does nothing. A handle is used by one
 * thread only. Nothing here prints.
 */
#ifndef VYR_CAPTURE_AVI_AVI_WRITER_H
#define VYR_CAPTURE_AVI_AVI_WRITER_H

#ifdef __cplusplus
extern "C" {
#endif

/* One open AVI file; created by AVI_open_output_file, freed by AVI_close_file. */
typedef struct AviFile AviFile;

/* Opens or creates path (read-write for the owner, masked by the umask; an existing file is not
 * truncated here but at close) and reserves the 2048-byte header area with zeros.
 * Returns the handle, or null when the handle cannot be allocated, the file cannot be opened, or
 * the 2048 bytes cannot be written (the file is then closed again). */
AviFile* AVI_open_output_file(const char* path);

/* AVI_open_output_file for a file that must not exist yet: created exclusively (O_EXCL), so that no
 * recording ever writes into another. Returns null with errno EEXIST when path exists; a file that
 * this call created but could not fill with the header reserve is removed again. */
AviFile* AVI_create_output_file(const char* path);

/* Sets the picture size, the frame rate and the compressor, then writes the provisional header.
 * A compressor beginning with "RGB" stores FourCC 0 (uncompressed); otherwise its first four
 * characters are the FourCC (shorter strings are padded with zero bytes). A failure to write the
 * header is not reported: the file can still be closed properly later. */
void AVI_set_video_params(AviFile* file, int width, int height, double fps, const char* compressor);

/* Writes the provisional 2048-byte header at the start of the file and returns to the current
 * position. Returns 0, or -1 when a seek or the write failed. */
int AVI_update_header(AviFile* file);

/* Appends one video chunk ("00db", length, payload, one zero pad byte for an odd length) and its
 * index entry (key frame flag when keyframe is non-zero).
 * Returns 0, or -1 when the chunk would take the file past the AVI 1.0 size limit, the length is
 * negative, data is null with a non-zero length, the index cannot grow, the disk space for the
 * chunk and the index cannot be reserved (nothing is written then; errno says why: ENOSPC, EDQUOT,
 * EFBIG), or the write failed.
 * After a failure the position is back at the chunk's start and the index holds no entry for the
 * chunk, so the next chunk or the index overwrites any partial bytes. */
int AVI_write_frame(AviFile* file, const void* data, long length, int keyframe);

/* Appends the idx1 index, writes the final header (real sizes and frame counts, an INFO list) and
 * truncates the file right after the index. The handle stays open.
 * Returns 0, or -1 when the index or the header could not be written or the truncation failed.
 * When only the index failed, the final header is still written, without the has-index flag. */
int AVI_close_output_file(AviFile* file);

/* AVI_close_output_file, then closes the file and frees the handle (also on failure).
 * Returns the result of AVI_close_output_file; -1 for a null handle. */
int AVI_close_file(AviFile* file);

#ifdef __cplusplus
}
#endif

#endif /* VYR_CAPTURE_AVI_AVI_WRITER_H */
