// The picture's way through the host: in bands from reader to writer, or held whole when the
// plug-in's requests go back to rows already written.
#include <cstdio>

#include "tools/runfilter/picture_io.h"
#include "tools/runfilter/run.h"
#include "tools/runfilter/system.h"

namespace {

class FileRows final : public RowStream {
 public:
  FileRows(PictureReader& reader, PictureWriter& writer) : reader_(reader), writer_(writer) {}
  bool ReadRows(uint8_t* rows, int32_t count) override {
    return reader_.ReadRows(rows, count, readError);
  }
  bool WriteRows(const uint8_t* rows, int32_t count) override {
    return writer_.WriteRows(rows, count, writeError);
  }
  std::string readError, writeError;

 private:
  PictureReader& reader_;
  PictureWriter& writer_;
};

// The output as the host held it: CMYK or Lab, whether the file or --mode said so.
void MarkColour(int16_t mode, PictureInfo& info) {
  if (mode == plugInModeCMYKColor || mode == plugInModeCMYK64) info.colour = PictureColour::kCmyk;
  else if (mode == plugInModeLabColor || mode == plugInModeLab48) info.colour = PictureColour::kLab;
  else if (info.colour != PictureColour::kGrey) info.colour = PictureColour::kDefault;
}

bool Rename(const std::string& from, const std::string& to, std::string& error) {
  std::string why;
  if (MoveOnto(from, to, why)) return true;
  error = "cannot write " + to + ": " + why;
  std::remove(from.c_str());
  return false;
}

}  // namespace

HostImage PictureShape(const PictureInfo& info) {
  HostImage shape;
  shape.width = info.width;
  shape.height = info.height;
  shape.planes = info.planes;
  shape.depth = info.depth;
  return shape;
}

bool FilterPictureFile(PluginEntry entry, const RunOptions& options,
                       void (*progress)(int32_t done, int32_t total), RunStats& stats,
                       int16_t& mode, PictureInfo& info, std::string& error) {
  std::unique_ptr<PictureReader> reader = OpenPictureReader(options.input, info, error);
  if (reader == nullptr) {
    error = options.input + ": " + error;
    return false;
  }
  HostImage shape = PictureShape(info);
  if (!ChoosePictureMode(options, info, mode, error) || !CheckImageFits(options, shape, error))
    return false;
  MarkColour(mode, info);
  const PictureFormat format = FormatOfPath(options.output);
  if (!CheckWritable(format, info, error)) {
    error = "cannot write " + options.output + ": " + error;
    return false;
  }
  const std::string temporary = options.output + ".part" + std::to_string(ProcessNumber());
  std::string why;
  std::unique_ptr<PictureWriter> writer = OpenPictureWriter(temporary, format, info, options, why);
  if (writer == nullptr) {
    std::remove(temporary.c_str());
    error = "cannot write " + options.output + ": " + why;
    return false;
  }
  // Without --ppi the host states the file's resolution (72 when the file has none).
  RunOptions run = options;
  if (run.ppiH <= 0 && info.ppiX > 0 && info.ppiY > 0) {
    run.ppiH = info.ppiX;
    run.ppiV = info.ppiY;
  }
  FileRows rows(*reader, *writer);
  const bool ran = RunPlugin(entry, run, mode, shape, progress, stats, error, &rows);
  const bool finished = ran && writer->Finish(rows.writeError);
  writer.reset();
  reader.reset();
  if (finished) return Rename(temporary, options.output, error);
  std::remove(temporary.c_str());
  if (!rows.readError.empty()) {
    error = options.input + ": " + rows.readError;
    return false;
  }
  if (!rows.writeError.empty()) {
    error = "cannot write " + options.output + ": " + rows.writeError;
    return false;
  }
  if (error != kOutOfOrder) return false;

  // The plug-in went back: run again with the picture held whole.
  Picture picture;
  if (!ReadPicture(options.input, picture, error)) {
    error = options.input + ": " + error;
    return false;
  }
  picture.info.colour = info.colour;
  stats = RunStats();
  if (!RunPlugin(entry, run, mode, picture.image, progress, stats, error)) return false;
  return WritePictureAtomically(options.output, picture, options, error);
}
