#include "detect/find_faces.h"

#include "detect/detect_faces.h"
#include "detect/nested_faces.h"

std::vector<FaceRect> findFaces(const ImageBuffer& grey, FaceDetector& detector,
                                const FaceSearch& search)
{
    std::vector<FaceRect> grouped = search.threads > 1
                                        ? detectFacesParallel(grey, detector, search.threads)
                                        : detectFaces(grey, detector);
    return search.keepNested ? grouped : dropNestedFaces(grouped);
}
