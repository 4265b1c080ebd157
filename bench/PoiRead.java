// The bench's comparison for lessoncheck: the lessons of a folder read with Apache POI's HSLF (every
// slide and master, each shape's text and place, its click action and a program's command line),
// round after round in one JVM; prints each round's lessons a second and the actions it found.
//   java PoiRead ROUNDS FOLDER

import java.io.File;
import java.io.FileInputStream;
import java.util.Arrays;
import java.util.List;

import org.apache.poi.hslf.record.CString;
import org.apache.poi.hslf.record.InteractiveInfo;
import org.apache.poi.hslf.record.Record;
import org.apache.poi.hslf.usermodel.HSLFGroupShape;
import org.apache.poi.hslf.usermodel.HSLFHyperlink;
import org.apache.poi.hslf.usermodel.HSLFShape;
import org.apache.poi.hslf.usermodel.HSLFSlide;
import org.apache.poi.hslf.usermodel.HSLFSlideMaster;
import org.apache.poi.hslf.usermodel.HSLFSlideShow;
import org.apache.poi.hslf.usermodel.HSLFTextShape;

public final class PoiRead {
    public static void main(String[] args) throws Exception {
        int rounds = Integer.parseInt(args[0]);
        File[] files = new File(args[1]).listFiles((dir, name) -> name.toLowerCase().endsWith(".ppt"));
        Arrays.sort(files);
        for (int round = 0; round < rounds; round++) {
            long start = System.nanoTime(), actions = 0;
            for (File file : files)
                actions += read(file);
            double seconds = (System.nanoTime() - start) / 1e9;
            System.out.printf("%d %.1f %d%n", files.length, files.length / seconds, actions);
        }
    }

    static long read(File file) throws Exception {
        try (FileInputStream in = new FileInputStream(file); HSLFSlideShow show = new HSLFSlideShow(in)) {
            long actions = 0;
            for (HSLFSlide slide : show.getSlides())
                actions += shapes(slide.getShapes());
            for (HSLFSlideMaster master : show.getSlideMasters())
                actions += shapes(master.getShapes());
            return actions;
        }
    }

    static long shapes(List<HSLFShape> shapes) {
        long actions = 0;
        for (HSLFShape shape : shapes) {
            if (shape instanceof HSLFGroupShape)
                actions += shapes(((HSLFGroupShape) shape).getShapes());
            shape.getAnchor();
            if (shape instanceof HSLFTextShape) {
                ((HSLFTextShape) shape).getText();
                actions += HSLFHyperlink.find((HSLFTextShape) shape).size();
            }
            InteractiveInfo info = shape.getClientDataRecord(0x0FF2);
            if (info != null) {
                info.getInteractiveInfoAtom().getAction();
                Record macro = info.findFirstOfType(0x0FBA);
                if (macro != null)
                    ((CString) macro).getText();
                actions++;
            }
        }
        return actions;
    }
}
