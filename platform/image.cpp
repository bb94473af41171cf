// The numbered image store: creation, copies, grabs, stretches, pixel reads,
// and loading and saving image files.
#include "platform/image.h"

#include <unistd.h>

#include <QImage>
#include <QRegion>
#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/files.h"
#include "platform/image_codec.h"
#include "platform/qtbridge.h"

namespace pf {
namespace {
std::map<int, QImage> images;
std::string lastError;

// A file decoded, or why not: made without touching the image store, so it
// can be made on the loading thread.
struct Decoded {
  QImage image;
  int reduction = 1;
  int fullWidth = 0, fullHeight = 0;
  ImageArea part;     // of the full picture; empty: all of it
  std::string error;  // "path: why" when `image` is null
  std::string bytes;  // the file, kept for the large-picture cache
};

// The last large picture decoded, with the file bytes it came from: the board
// view loads the same photo at every full redraw, and comparing a few
// megabytes costs far less than decoding them again. Keyed by content, so a
// changed file is always decoded anew.
constexpr int64_t kCacheFromPixels = 1'000'000;
Decoded lastLarge;

// Threads a decode the caller waits for may use: the processors, up to four
// (the instrument link runs beside it). The loading thread decodes alone.
const int kWaitedDecodeThreads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));

// A picture's size is looked for in this much of its start first.
constexpr int64_t kSizePrefixBytes = 1 << 20;

// Photos are read only from regular files of at most this size.
constexpr int64_t kMaxImageFileBytes = 128 << 20;

// Full size of the pictures decoded reduced or in part, and the part, by
// number.
struct FullSize {
  int width = 0, height = 0;
  ImageArea part;  // empty: all of it
};
std::map<int, FullSize> fullSizes;

QRgb ToRgb(int color) { return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

// Every stored image is RGB32 or ARGB32 (straight alpha), the two layouts the
// drawing code writes into directly, at 96 dpi: text in points comes out the
// same size whether or not the application object existed when the image was
// made (without it the toolkit assumes another resolution).
QImage Normalised(QImage img) {
  if (img.format() != QImage::Format_RGB32 && img.format() != QImage::Format_ARGB32)
    img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (img.dotsPerMeterX() != codec::kDotsPerMeter) img.setDotsPerMeterX(codec::kDotsPerMeter);
  if (img.dotsPerMeterY() != codec::kDotsPerMeter) img.setDotsPerMeterY(codec::kDotsPerMeter);
  return img;
}

// What changed in an image since it was made a copy of another: the live
// scope's picture is its 2 MB background under a few traces and a line of
// text, ten times a second, and copying back only what was drawn spares
// copying the whole background each time.
struct Tracking {
  uint64_t version = 0;  // counts every change
  int source = -1;       // the image it is a copy of, apart from `drawn`
  uint64_t sourceVersion = 0;
  DrawnTiles drawn;
  bool damagedAll = true;  // replaced since its controls were last told
};
std::map<int, Tracking> tracking;

// Controls showing an image paint it from the store: have them repaint.
void Changed(int img) {
  fullSizes.erase(img);
  Tracking& t = tracking[img];
  ++t.version;
  t.source = -1;
  std::fill(t.drawn.marked.begin(), t.drawn.marked.end(), 0);
  std::fill(t.drawn.damaged.begin(), t.drawn.damaged.end(), 0);
  t.drawn.markedRows = t.drawn.damagedRows = DrawnTiles::RowSpan{};
  t.damagedAll = true;
  RefreshImageGadgets(img);
}

// Copies the marked tiles of `from` onto `to` (the same size and layout),
// each run of tiles along a row at once, and clears the marks.
void CopyDrawnBack(const QImage& from, QImage& to, DrawnTiles& drawn) {
  const int tile = DrawnTiles::kTile;
  const DrawnTiles::RowSpan rows = drawn.markedRows;
  drawn.markedRows = DrawnTiles::RowSpan{};
  drawn.damagedRows.Add(rows.from, rows.to);
  for (int ty = std::max(0, rows.from); ty <= std::min(drawn.down - 1, rows.to); ++ty) {
    unsigned char* row = drawn.marked.data() + size_t(ty) * size_t(drawn.across);
    for (int tx = 0; tx < drawn.across;) {
      if (!row[tx]) {
        ++tx;
        continue;
      }
      const int first = tx;
      unsigned char* damaged = drawn.damaged.data() + size_t(ty) * size_t(drawn.across);
      while (tx < drawn.across && row[tx]) {
        row[tx] = 0;
        damaged[tx++] = 1;
      }
      const int x0 = first * tile, x1 = std::min(tx * tile, to.width());
      const int y1 = std::min((ty + 1) * tile, to.height());
      for (int y = ty * tile; y < y1; ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(from.constScanLine(y)) + x0, x1 - x0,
                    reinterpret_cast<QRgb*>(to.scanLine(y)) + x0);
    }
  }
}

bool StartsWith(const std::string& data, const char* magic, size_t n) {
  return data.size() >= n && data.compare(0, n, magic, n) == 0;
}
}  // namespace

QImage* ImageObject(int img) {
  auto it = images.find(img);
  return it == images.end() ? nullptr : &it->second;
}

namespace codec {
bool CheckSize(int64_t w, int64_t h, std::string& error) {
  if (w < 1 || h < 1) {
    error = "empty image (" + std::to_string(w) + " x " + std::to_string(h) + " pixels)";
    return false;
  }
  if (w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) {
    error = std::to_string(w) + " x " + std::to_string(h) + " pixels exceeds the limit of " +
            std::to_string(kMaxSide) + " pixels a side and " + std::to_string(kMaxPixels / 1000000) +
            " megapixels";
    return false;
  }
  return true;
}

bool CheckDecodedSize(int64_t w, int64_t h, std::string& error) {
  if (!CheckSize(w, h, error)) return false;
  if (w * h > kMaxDecodedPixels) {
    error = std::to_string(w) + " x " + std::to_string(h) + " pixels exceeds the limit of " +
            std::to_string(kMaxDecodedPixels / 1000000) + " megapixels decoded";
    return false;
  }
  return true;
}

int FinestReduction(int64_t w, int64_t h) {
  int64_t r = 1;
  while (r < (int64_t(1) << 30) && ((w + r - 1) / r) * ((h + r - 1) / r) > kMaxDecodedPixels) r *= 2;
  return int(r);
}

int AcceptedReduction(const std::function<int(int w, int h)>& largest, int w, int h) {
  return largest ? std::max(largest(w, h), FinestReduction(w, h)) : 1;
}

int Reduction::Choose(int w, int h, int cap) {
  fullWidth = w;
  fullHeight = h;
  const int wanted = AcceptedReduction(largest, w, h);
  used = 1;
  while (used * 2 <= wanted && used * 2 <= cap) used *= 2;
  return used;
}
}  // namespace codec

bool CreateImage(int img, int w, int h, int fill) {
  std::string error;
  if (!codec::CheckSize(w, h, error)) return false;
  QImage q(w, h, QImage::Format_RGB32);
  if (q.isNull()) return false;
  q.fill(ToRgb(fill));
  images[img] = Normalised(std::move(q));
  Changed(img);
  return true;
}

void FreeImage(int img) {
  if (images.erase(img)) Changed(img);
}
bool IsImage(int img) { return images.count(img) != 0; }
int ImageWidth(int img) {
  const QImage* q = ImageObject(img);
  return q ? q->width() : 0;
}
int ImageHeight(int img) {
  const QImage* q = ImageObject(img);
  return q ? q->height() : 0;
}

// The tracking of the image drawn on last: drawing calls come by the
// thousand (a dotted graticule) and a map lookup each would add up.
Tracking* drawingTracking = nullptr;
int drawingTrackingOf = 0;

DrawnTiles& DrawingOn(int img, const QImage& q) {
  if (!drawingTracking || drawingTrackingOf != img) {
    drawingTracking = &tracking[img];  // map nodes stay put until the map is cleared
    drawingTrackingOf = img;
  }
  Tracking& t = *drawingTracking;
  ++t.version;
  const int across = (q.width() + DrawnTiles::kTile - 1) >> DrawnTiles::kTileShift;
  const int down = (q.height() + DrawnTiles::kTile - 1) >> DrawnTiles::kTileShift;
  if (t.drawn.across != across || t.drawn.down != down) {
    t.drawn.across = across;
    t.drawn.down = down;
    t.drawn.marked.assign(size_t(across) * size_t(down), 0);
    t.drawn.damaged.assign(size_t(across) * size_t(down), 0);
    t.drawn.markedRows = t.drawn.damagedRows = DrawnTiles::RowSpan{};
    t.source = -1;  // resized meanwhile: no longer known as a copy
    t.damagedAll = true;
  }
  return t.drawn;
}

bool TakeImageDamage(int img, QRegion& changed) {
  changed = QRegion();
  auto it = tracking.find(img);
  if (it == tracking.end()) return false;
  Tracking& t = it->second;
  DrawnTiles& d = t.drawn;
  if (t.damagedAll || d.damaged.empty()) {
    t.damagedAll = false;
    std::fill(d.damaged.begin(), d.damaged.end(), 0);
    d.damagedRows = DrawnTiles::RowSpan{};
    return false;
  }
  // In bands of a few tile rows, each band's changed columns as one
  // rectangle: a curve across the picture gives a handful of rectangles.
  constexpr int kBand = 4;
  const int tile = DrawnTiles::kTile;
  const int from = std::max(0, d.damagedRows.from) / kBand * kBand,
            to = std::min(d.down - 1, d.damagedRows.to);
  d.damagedRows = DrawnTiles::RowSpan{};
  for (int band = from; band <= to; band += kBand) {
    int x0 = d.across, x1 = -1;
    const int last = std::min(d.down, band + kBand);
    for (int ty = band; ty < last; ++ty) {
      unsigned char* row = d.damaged.data() + size_t(ty) * size_t(d.across);
      for (int tx = 0; tx < d.across; ++tx)
        if (row[tx]) {
          x0 = std::min(x0, tx), x1 = std::max(x1, tx);
          row[tx] = 0;
        }
    }
    if (x1 >= 0) changed += QRect(x0 * tile, band * tile, (x1 - x0 + 1) * tile, (last - band) * tile);
  }
  return true;
}

bool CopyImage(int src, int dst) {
  const QImage* q = ImageObject(src);
  if (!q) return false;
  QImage* d = ImageObject(dst);
  Tracking& t = tracking[dst];
  if (src != dst && d && t.source == src && t.sourceVersion == tracking[src].version && d->isDetached() &&
      d->size() == q->size() && d->format() == q->format() &&
      t.drawn.across == (d->width() + DrawnTiles::kTile - 1) >> DrawnTiles::kTileShift &&
      t.drawn.down == (d->height() + DrawnTiles::kTile - 1) >> DrawnTiles::kTileShift) {
    // A copy of this very picture, drawn on since: only what was drawn is
    // copied back, into its own pixels.
    CopyDrawnBack(*q, *d, t.drawn);
    ++t.version;
    RefreshImageGadgets(dst);
    return true;
  }
  if (src != dst) images[dst] = *q;  // shared until either is drawn on
  Changed(dst);
  if (src != dst) {
    Tracking& copy = tracking[dst];
    copy.source = src;
    copy.sourceVersion = tracking[src].version;
  }
  return true;
}

bool GrabImage(int src, int dst, int x, int y, int w, int h) {
  const QImage* q = ImageObject(src);
  std::string error;
  if (!q || !codec::CheckSize(w, h, error)) return false;
  if (QRect(x, y, w, h) == q->rect()) {  // the whole picture: share it, copy nothing
    if (src != dst) images[dst] = *q;
    Changed(dst);
    return true;
  }
  QImage part;
  if (q->rect().contains(QRect(x, y, w, h))) {
    // A read-only view into the source's pixels, which it keeps alive: the
    // board view cuts megapixels out of a photo only to stretch them, so
    // nothing is copied unless the piece is drawn on.
    auto* keep = new QImage(*q);
    part = QImage(
        keep->constBits() + qsizetype(y) * keep->bytesPerLine() + qsizetype(x) * 4, w, h,
        keep->bytesPerLine(), keep->format(), [](void* held) { delete static_cast<QImage*>(held); }, keep);
  } else {
    part = q->copy(QRect(x, y, w, h));  // outside the source: zeros
  }
  if (part.isNull()) return false;
  if (part.format() == QImage::Format_ARGB32 && !q->rect().contains(QRect(x, y, w, h))) {
    // Straight-alpha zeros would be transparent; outside reads opaque black.
    const QRect inside = q->rect().intersected(QRect(x, y, w, h)).translated(-x, -y);
    for (int row = 0; row < h; ++row) {
      QRgb* line = reinterpret_cast<QRgb*>(part.scanLine(row));
      for (int col = 0; col < w; ++col)
        if (!inside.contains(col, row)) line[col] = qRgb(0, 0, 0);
    }
  }
  images[dst] = Normalised(std::move(part));
  Changed(dst);
  return true;
}

bool ResizeImage(int img, int w, int h) {
  QImage* q = ImageObject(img);
  std::string error;
  if (!q || !codec::CheckSize(w, h, error)) return false;
  if (q->width() == w && q->height() == h) return true;
  QImage scaled = q->scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (scaled.isNull()) return false;
  *q = Normalised(std::move(scaled));
  Changed(img);
  return true;
}

int Point(int img, int x, int y) {
  const QImage* q = ImageObject(img);
  if (!q || x < 0 || y < 0 || x >= q->width() || y >= q->height()) return -1;
  const QRgb c = q->pixel(x, y);
  return qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16);
}

void RegisterImageDecoders() {}

namespace {
bool ReadPicture(const std::string& path, std::string& data, Decoded& d) {
  if (ReadFileBytes(NativePath(path), data, kMaxImageFileBytes)) return true;
  d.error = path + ": cannot be read";
  return false;
}

// Decodes by content. With `sizeOnly` only the header is read: true with the
// full size and no picture.
bool DecodeBytes(const std::string& path, const std::string& data,
                 const std::function<int(int, int)>& largest, const std::function<ImageArea(int, int)>& area,
                 bool sizeOnly, Decoded& d, int threads = 1) {
  QImage q;
  std::string error;
  codec::Reduction reduction;
  reduction.largest = largest;
  reduction.area = area;
  reduction.threads = threads;
  reduction.sizeOnly = sizeOnly;
  bool ok = false;
  if (StartsWith(data, "\x89PNG\r\n\x1a\n", 8)) {
    ok = codec::DecodePng(data, q, error, &reduction);
  } else if (StartsWith(data, "\xFF\xD8\xFF", 3)) {
    ok = codec::DecodeJpeg(data, q, error, &reduction);
  } else if (StartsWith(data, "\x00\x00\x00\x0CjP  \r\n\x87\n", 12) ||
             StartsWith(data, "\xFF\x4F\xFF\x51", 4)) {
    ok = codec::DecodeJp2(data, q, error, &reduction);
  } else {
    error = data.empty() ? "empty file" : "not a PNG, JPEG or JPEG 2000 file";
  }
  if (ok && sizeOnly) {
    d.fullWidth = reduction.fullWidth;
    d.fullHeight = reduction.fullHeight;
    return true;
  }
  if (!ok || q.isNull()) {
    d.error = path + ": " + (error.empty() ? "cannot be decoded" : error);
    return false;
  }
  d.image = Normalised(std::move(q));
  d.reduction = reduction.used;
  d.fullWidth = reduction.fullWidth;
  d.fullHeight = reduction.fullHeight;
  d.part = reduction.part;
  return true;
}

// Whether `d` holds all of what `area` asks of it.
bool Covers(const Decoded& d, const std::function<ImageArea(int, int)>& area) {
  if (d.part.Empty()) return true;
  const ImageArea asked = area ? area(d.fullWidth, d.fullHeight) : ImageArea{};
  return !asked.Empty() && d.part.Contains(asked);
}

void Keep(int img, const Decoded& d) {
  images[img] = d.image;  // shared until drawn on
  Changed(img);
  if (d.reduction != 1 || !d.part.Empty()) fullSizes[img] = {d.fullWidth, d.fullHeight, d.part};
  lastError.clear();
}

// A decoded picture into the store; a large one is also kept for the next
// load of the same bytes.
void Install(int img, Decoded& d) {
  if (int64_t(d.fullWidth) * d.fullHeight >= kCacheFromPixels && !d.bytes.empty()) {
    lastLarge = std::move(d);
    Keep(img, lastLarge);
  } else {
    Keep(img, d);
  }
}

bool Load(int img, const std::string& path, const std::function<int(int, int)>& largest,
          const std::function<ImageArea(int, int)>& area) {
  FreeImage(img);
  std::string data;
  Decoded d;
  if (!ReadPicture(path, data, d)) {
    lastError = d.error;
    return false;
  }
  // The kept picture serves when it is no coarser than this caller accepts.
  if (!lastLarge.image.isNull() && data == lastLarge.bytes &&
      lastLarge.reduction <= codec::AcceptedReduction(largest, lastLarge.fullWidth, lastLarge.fullHeight) &&
      Covers(lastLarge, area)) {
    Keep(img, lastLarge);
    return true;
  }
  if (!DecodeBytes(path, data, largest, area, false, d, kWaitedDecodeThreads)) {
    lastError = d.error;
    return false;
  }
  d.bytes = std::move(data);
  Install(img, d);
  return true;
}

// The loading thread: one picture at a time, the newest asked for. A load
// asked for while another decodes waits for it; the older result is dropped.
class Loader {
 public:
  ~Loader() {
    {
      std::lock_guard<std::mutex> g(mu_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  void Start(const std::string& path, std::function<int(int, int)> largest, std::function<void()> ready,
             std::function<ImageArea(int, int)> area) {
    std::lock_guard<std::mutex> g(mu_);
    ++asked_;
    job_ = Job{asked_, path, std::move(largest), std::move(ready), std::move(area)};
    hasJob_ = true;
    result_ = Decoded{};
    resultOf_ = 0;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    wake_.notify_all();
  }

  int Take(int img) {
    Decoded d;
    {
      std::lock_guard<std::mutex> g(mu_);
      if (taken_ == asked_) return kLoadNone;
      if (resultOf_ != asked_) return kLoadRunning;
      taken_ = asked_;
      d = std::move(result_);
      result_ = Decoded{};
    }
    FreeImage(img);
    if (d.image.isNull()) {
      lastError = d.error;
      return kLoadFailed;
    }
    Install(img, d);
    return kLoadDone;
  }

  void WaitIdle() {
    std::unique_lock<std::mutex> g(mu_);
    idle_.wait(g, [this] { return !hasJob_ && !busy_; });
  }

  void Forget() {
    WaitIdle();
    std::lock_guard<std::mutex> g(mu_);
    taken_ = asked_;
    result_ = Decoded{};
  }

 private:
  struct Job {
    uint64_t number = 0;
    std::string path;
    std::function<int(int, int)> largest;
    std::function<void()> ready;
    std::function<ImageArea(int, int)> area;
  };

  void Run() {
    std::unique_lock<std::mutex> g(mu_);
    for (;;) {
      wake_.wait(g, [this] { return stop_ || hasJob_; });
      if (stop_) return;
      Job job = std::move(job_);
      hasJob_ = false;
      busy_ = true;
      g.unlock();
      Decoded d;
      std::string data;
      if (ReadPicture(job.path, data, d) && DecodeBytes(job.path, data, job.largest, job.area, false, d))
        d.bytes = std::move(data);
      g.lock();
      const bool current = job.number == asked_;
      if (current) {
        result_ = std::move(d);
        resultOf_ = job.number;
      }
      if (current && job.ready) {
        g.unlock();
        job.ready();
        g.lock();
      }
      busy_ = false;
      if (!hasJob_) idle_.notify_all();
    }
  }

  std::mutex mu_;
  std::condition_variable wake_, idle_;
  std::thread thread_;
  bool stop_ = false, hasJob_ = false, busy_ = false;
  Job job_;
  uint64_t asked_ = 0, taken_ = 0, resultOf_ = 0;
  Decoded result_;
};

// Made at the first load, after the window system, so it is stopped before
// that at exit. A forked child (tests) has no copy of the thread: it makes
// a loader of its own and leaves the parent's alone.
Loader& TheLoader() {
  static pid_t owner = 0;
  static Loader* loader = nullptr;
  static struct Stopper {
    ~Stopper() {
      if (loader && owner == getpid()) delete loader;
    }
  } stopper;
  if (!loader || owner != getpid()) {
    loader = new Loader;
    owner = getpid();
  }
  return *loader;
}
}  // namespace

bool LoadImage(int img, const std::string& path) { return Load(img, path, nullptr, nullptr); }

bool LoadImageReduced(int img, const std::string& path, const std::function<int(int w, int h)>& largest,
                      const std::function<ImageArea(int w, int h)>& area) {
  return Load(img, path, largest, area);
}

int FinestImageReduction(int w, int h) { return codec::FinestReduction(w, h); }

bool ReadImageSize(const std::string& path, int& w, int& h) {
  // The header is at the start: a prefix is read first, the whole file only
  // where the prefix did not hold it.
  std::string data;
  Decoded d;
  // A file LoadImage would not read has no size either.
  bool ok = FileSize(NativePath(path)) <= kMaxImageFileBytes &&
            ReadFileStart(NativePath(path), data, kSizePrefixBytes) &&
            DecodeBytes(path, data, nullptr, nullptr, true, d);
  if (!ok && data.size() >= size_t(kSizePrefixBytes))
    ok = ReadPicture(path, data, d) && DecodeBytes(path, data, nullptr, nullptr, true, d);
  if (!ok) {
    lastError = d.error.empty() ? path + ": cannot be read" : d.error;
    return false;
  }
  w = d.fullWidth;
  h = d.fullHeight;
  return true;
}

void StartImageLoad(const std::string& path, std::function<int(int w, int h)> largest,
                    std::function<void()> ready, std::function<ImageArea(int w, int h)> area) {
  TheLoader().Start(path, std::move(largest), std::move(ready), std::move(area));
}

int TakeImageLoad(int img) { return TheLoader().Take(img); }

int ImageFullWidth(int img) {
  auto it = fullSizes.find(img);
  return it != fullSizes.end() ? it->second.width : ImageWidth(img);
}

int ImageFullHeight(int img) {
  auto it = fullSizes.find(img);
  return it != fullSizes.end() ? it->second.height : ImageHeight(img);
}

ImageArea ImagePart(int img) {
  auto it = fullSizes.find(img);
  if (it != fullSizes.end() && !it->second.part.Empty()) return it->second.part;
  return ImageArea{0, 0, ImageFullWidth(img), ImageFullHeight(img)};
}

bool SavePng(int img, const std::string& path) {
  const QImage* q = ImageObject(img);
  if (!q) {
    lastError = path + ": no image " + std::to_string(img);
    return false;
  }
  std::string data, error;
  if (!codec::EncodePng(*q, data, error)) {
    lastError = path + ": " + error;
    return false;
  }
  if (!ReplaceFile(NativePath(path), data)) {
    lastError = path + ": cannot be written";
    return false;
  }
  lastError.clear();
  return true;
}

std::string ImageError() { return lastError; }

namespace test {
void ResetFonts();  // image_font.cpp

void WaitImageLoads() { TheLoader().WaitIdle(); }

void ResetImages() {
  TheLoader().Forget();
  images.clear();
  tracking.clear();
  drawingTracking = nullptr;
  lastLarge = Decoded{};
  fullSizes.clear();
  ResetFonts();
}

bool SaveJpeg(int img, const std::string& path, int quality) {
  const QImage* q = ImageObject(img);
  std::string data, error;
  return q && codec::EncodeJpeg(*q, quality, data, error) && WriteFile(NativePath(path), data);
}

bool WriteJpeg(const std::string& path, int w, int h, int quality,
               const std::function<void(int y, int* row)>& fill) {
  std::string data, error;
  return codec::EncodeJpegRows(w, h, quality, fill, data, error) && WriteFile(NativePath(path), data);
}

bool WritePng(const std::string& path, int w, int h, const std::function<void(int y, int* row)>& fill,
              bool interlaced) {
  std::string data, error;
  return codec::EncodePngRows(w, h, fill, data, error, interlaced) && WriteFile(NativePath(path), data);
}

bool SaveJp2(int img, const std::string& path, bool codestream) {
  const QImage* q = ImageObject(img);
  std::string error;
  return q && codec::EncodeJp2(*q, codestream, NativePath(path), error);
}
}  // namespace test

}  // namespace pf
