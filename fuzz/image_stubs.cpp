// The image service without windows or fonts, for the decoders' fuzz targets.
namespace pf {
void RefreshImageGadgets(int) {}
namespace test {
void ResetFonts() {}
}  // namespace test
}  // namespace pf
