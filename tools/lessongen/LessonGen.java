// Writes the lessons the reader, the viewer and lessoncheck are tested on, with Apache POI's HSLF.
//
// POI's usermodel makes the slides, shapes, text, groups, hidden slides and the jumps and
// hyperlinks it knows; a "run program" action, a mouse-over action and the jumps it lacks (last
// slide viewed, end show) are written as records: an InteractiveInfo container (instance 0 on
// click, 1 on mouse-over) holding an InteractiveInfoAtom and, for a program, its MacroNameAtom.

import java.awt.Color;
import java.awt.geom.Rectangle2D;
import java.io.ByteArrayOutputStream;
import java.io.FileOutputStream;
import java.io.OutputStream;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;

import org.apache.poi.hslf.record.CString;
import org.apache.poi.hslf.record.HSLFEscherClientDataRecord;
import org.apache.poi.hslf.record.InteractiveInfo;
import org.apache.poi.hslf.record.InteractiveInfoAtom;
import org.apache.poi.hslf.record.Record;
import org.apache.poi.hslf.usermodel.HSLFAutoShape;
import org.apache.poi.hslf.usermodel.HSLFGroupShape;
import org.apache.poi.hslf.usermodel.HSLFHyperlink;
import org.apache.poi.hslf.usermodel.HSLFShape;
import org.apache.poi.hslf.usermodel.HSLFSheet;
import org.apache.poi.hslf.usermodel.HSLFSlide;
import org.apache.poi.hslf.usermodel.HSLFSlideShow;
import org.apache.poi.hslf.usermodel.HSLFTextBox;
import org.apache.poi.hslf.usermodel.HSLFTextRun;
import org.apache.poi.hslf.usermodel.HSLFTextShape;
import org.apache.poi.hssf.record.crypto.Biff8EncryptionKey;
import org.apache.poi.hssf.usermodel.HSSFWorkbook;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;
import org.apache.poi.sl.usermodel.ShapeType;
import org.apache.poi.util.IOUtils;
import org.apache.poi.util.LittleEndian;

public final class LessonGen {
    static final String kQuoted = "\"C:\\Program Files (x86)\\Tarnskov\\tarnskov.exe\"";
    static final String kPlain = "C:\\CBT\\tarnskov.exe";
    static final int kClick = 0, kMouseOver = 1;
    static final int kNext = 1, kPrevious = 2, kFirst = 3, kLast = 4, kLastViewed = 5, kEndShow = 6;

    public static void main(String[] args) throws Exception {
        if (args[0].equals("--dump")) {
            for (int i = 1; i < args.length; i++)
                dump(args[i]);
            return;
        }
        String dir = args[0];
        save(demo(), args[1]);
        save(good(), dir + "/good.ppt");
        save(faults(), dir + "/faults.ppt");
        save(faultsOnMaster(), dir + "/faults-master.ppt");
        fastSave(dir + "/good.ppt", dir + "/fast-saved.ppt");
        compoundVersion4(dir + "/good.ppt", dir + "/good-v4.ppt");
        Biff8EncryptionKey.setCurrentUserPassword("secret");
        save(good(), dir + "/encrypted.ppt");
        Biff8EncryptionKey.setCurrentUserPassword(null);
        try (HSSFWorkbook book = new HSSFWorkbook(); OutputStream out = new FileOutputStream(dir + "/workbook.xls.ppt")) {
            book.createSheet("Not a lesson").createRow(0).createCell(0).setCellValue("A workbook");
            book.write(out);
        }
    }

    static void save(HSLFSlideShow show, String path) throws Exception {
        try (OutputStream out = new FileOutputStream(path)) {
            show.write(out);
        }
    }

    // The demo: a welcome, three questions with A-D answers on the installed launcher, a Finish
    // whose placeholders the stand-in viewer fills, and a hidden slide with its pass mark.
    static HSLFSlideShow demo() throws Exception {
        HSLFSlideShow show = new HSLFSlideShow();
        text(show.createSlide(), "Welcome to the TARNSKOV demo lesson. On each question, click your answer, then click the slide "
            + "or press the right arrow to go on. Click the slide now to begin.");
        question(show, "Question 1: Which planet is closest to the sun?", kQuoted, "Q1", 0, "Mercury", "Venus", "Earth", "Mars");
        question(show, "Question 2: How many sides has a hexagon?", kQuoted, "Q2", 1, "5", "6", "7", "8");
        question(show, "Question 3: At sea level, water boils at how many degrees Celsius?", kQuoted, "Q3", 1, "90", "100", "110", "120");
        HSLFSlide end = show.createSlide();
        text(end, "That is all. Click Finish to end the lesson and send your result.");
        program(button(end, "Finish", 260, 300), kClick, kQuoted + " -S={status} -G={score}");
        HSLFSlide notes = show.createSlide();
        text(notes, "# For quelmar, the demo viewer: of three questions, two right (66) pass.\n#quelmar pass-mark 60");
        notes.setHidden(true);
        return show;
    }

    // Plays to P 90 with nine commands: answers by a plain path, answers in a group by a quoted
    // path, a Finish; around them every jump, a hyperlink, a hidden slide and a master button.
    static HSLFSlideShow good() throws Exception {
        HSLFSlideShow show = new HSLFSlideShow();
        HSLFSlide first = show.createSlide();
        text(first, "A good lesson. Two questions follow.");
        button(first, "Start", 260, 300).createHyperlink().linkToNextSlide();
        button(first, "Course page", 260, 380).createHyperlink().linkToUrl("http://example.com/course");
        question(show, "Question 1: What is 2 + 2?", kPlain, "Q1", 3, "1", "2", "3", "4");
        HSLFSlide hidden = show.createSlide();
        text(hidden, "Notes for the teacher: this slide is hidden.");
        hidden.setHidden(true);
        jump(button(hidden, "Last viewed", 260, 300), kLastViewed);
        HSLFSlide second = show.createSlide();
        text(second, "Question 2: What colour is the sky?");
        HSLFGroupShape group = second.createGroup();
        group.setAnchor(new Rectangle2D.Double(100, 200, 400, 200));
        group.setInteriorAnchor(new Rectangle2D.Double(0, 0, 400, 200));
        String[] colours = {"Green", "Blue", "Red", "Yellow"};
        for (int i = 0; i < 4; i++) {
            char letter = (char) ('A' + i);
            HSLFAutoShape shape = group.createAutoShape();
            shape.setShapeType(ShapeType.ACTION_BUTTON_BLANK);
            shape.setAnchor(new Rectangle2D.Double(0, i * 50, 400, 40));
            shape.setText(letter + ") " + colours[i]);
            program(shape, kClick, kQuoted + " -Q=Q2 " + letter + " " + (i == 1 ? 1 : 0));
        }
        HSLFSlide end = show.createSlide();
        text(end, "Well done. Click Finish.");
        program(button(end, "Finish", 260, 300), kClick, kPlain + " -S=P -G=90");
        button(end, "Back", 60, 400).createHyperlink().linkToPreviousSlide();
        button(end, "Again", 200, 400).createHyperlink().linkToFirstSlide();
        button(end, "Last", 340, 400).createHyperlink().linkToLastSlide();
        jump(button(end, "End show", 480, 400), kEndShow);
        jump(button(show.getSlideMasters().get(0), "Next", 620, 480), kNext);
        return show;
    }

    // Faults lessoncheck finds in answers, on a text range and on mouse-over; no finish at all.
    static HSLFSlideShow faults() throws Exception {
        HSLFSlideShow show = new HSLFSlideShow();
        HSLFSlide one = show.createSlide();
        text(one, "Question 1: faults in the answers.");
        program(button(one, "A) relative", 60, 200), kClick, "tarnskov.exe -Q=Q1 A 1");
        program(button(one, "B) no dash", 60, 260), kClick, kPlain + " Q=Q1 B 0");
        program(button(one, "C) outside A-D", 60, 320), kClick, kPlain + " -Q=Q1 E 0");
        program(button(one, "D) another id", 60, 380), kClick, kPlain + " -Q=Q2 D 0");
        HSLFSlide two = show.createSlide();
        text(two, "Question 3: more faults.");
        program(button(two, "Ignored letter", 60, 140), kClick, kPlain + " -X=1");
        program(button(two, "Quote in id", 60, 200), kClick, kPlain + " -Q=Q\"3 A 1");
        StringBuilder id = new StringBuilder("Q");
        while (id.length() < 260)
            id.append("long");
        program(button(two, "Too long", 60, 260), kClick, kPlain + " -Q=" + id + " A 1");
        program(button(two, "Blank in path", 60, 320), kClick, "C:\\Program Files\\CBT\\tarnskov.exe -Q=Q3 A 1");
        program(button(two, "Hover", 60, 380), kMouseOver, kPlain + " -Q=Q3 B 0");
        HSLFTextBox box = text(two, "Click here to answer C.");
        box.setAnchor(new Rectangle2D.Double(360, 380, 300, 40));
        HSLFTextRun run = box.getTextParagraphs().get(0).getTextRuns().get(0);
        HSLFHyperlink link = run.createHyperlink();
        link.linkToNextSlide();
        runProgram(link.getInfo(), kPlain + " -Q=Q3");
        return show;
    }

    // A Finish on the master with placeholders and a tail over the finish's limit; programs that
    // are not the launcher or do not exist, a character no ANSI code page holds.
    static HSLFSlideShow faultsOnMaster() throws Exception {
        HSLFSlideShow show = new HSLFSlideShow();
        HSLFSlide one = show.createSlide();
        text(one, "Question 1: the programs.");
        program(button(one, "A) notepad", 60, 200), kClick, "C:\\Windows\\notepad.exe -Q=Q1 A 1");
        program(button(one, "B) nowhere", 60, 260), kClick, "C:\\Nowhere\\tarnskov.exe -Q=Q1 B 0");
        program(button(one, "C) arrow", 60, 320), kClick, kPlain + " -Q=Q1\u2192 C 0");
        program(button(one, "D) empty finish", 60, 380), kClick, kPlain + " -S= -G=");
        StringBuilder score = new StringBuilder("-G=9");
        while (score.length() < 140)
            score.append('0');
        HSLFSlide two = show.createSlide();
        text(two, "The end.");
        program(button(two, "Long finish", 60, 200), kClick, kPlain + " -S=P " + score);
        program(button(show.getSlideMasters().get(0), "Finish", 620, 480), kClick, kPlain + " -S={status} -G={score}");
        return show;
    }

    // The good lesson as PowerPoint's fast save leaves it after the Finish button was edited to
    // send 80: the changed slide appended, with a persist directory and a user edit of its own
    // that point back to the first, and the current user pointing at the new edit.
    static void fastSave(String from, String to) throws Exception {
        int slideRef;
        byte[] slide;
        try (HSLFSlideShow show = new HSLFSlideShow(new java.io.FileInputStream(from))) {
            HSLFSlide last = show.getSlides().get(show.getSlides().size() - 1);
            slideRef = last._getSheetRefId();
            ByteArrayOutputStream out = new ByteArrayOutputStream();
            last.getSheetContainer().writeOut(out);
            slide = replace(out.toByteArray(), "-G=90", "-G=80");
        }
        try (POIFSFileSystem fs = new POIFSFileSystem(new java.io.FileInputStream(from))) {
            byte[] doc = IOUtils.toByteArray(fs.createDocumentInputStream("PowerPoint Document"));
            byte[] user = IOUtils.toByteArray(fs.createDocumentInputStream("Current User"));
            int lastEdit = LittleEndian.getInt(user, 16);
            ByteArrayOutputStream out = new ByteArrayOutputStream();
            out.write(doc);
            out.write(slide);
            int directory = out.size();
            header(out, 0, 0x1772, 8);
            out.write(le(slideRef | 1 << 20));
            out.write(le(doc.length));
            int edit = out.size();
            byte[] atom = java.util.Arrays.copyOfRange(doc, lastEdit, lastEdit + 8 + LittleEndian.getInt(doc, lastEdit + 4));
            LittleEndian.putInt(atom, 8 + 8, lastEdit);
            LittleEndian.putInt(atom, 8 + 12, directory);
            out.write(atom);
            LittleEndian.putInt(user, 16, edit);
            fs.getRoot().createOrUpdateDocument("PowerPoint Document", new java.io.ByteArrayInputStream(out.toByteArray()));
            fs.getRoot().createOrUpdateDocument("Current User", new java.io.ByteArrayInputStream(user));
            try (OutputStream file = new FileOutputStream(to)) {
                fs.writeFilesystem(file);
            }
        }
    }

    // The good lesson's two streams in a version 4 compound file (4096-byte sectors), which POI
    // does not write: one FAT sector, one directory sector, the mini FAT, the mini stream holding
    // the current user, then the document.
    static void compoundVersion4(String from, String to) throws Exception {
        byte[] doc, user;
        try (POIFSFileSystem fs = new POIFSFileSystem(new java.io.FileInputStream(from))) {
            doc = IOUtils.toByteArray(fs.createDocumentInputStream("PowerPoint Document"));
            user = IOUtils.toByteArray(fs.createDocumentInputStream("Current User"));
        }
        final int sector = 4096, end = 0xFFFFFFFE, free = 0xFFFFFFFF, none = 0xFFFFFFFF;
        int docSectors = (doc.length + sector - 1) / sector;
        java.nio.ByteBuffer out = java.nio.ByteBuffer.allocate(sector * (5 + docSectors)).order(java.nio.ByteOrder.LITTLE_ENDIAN);
        out.putLong(0, 0xE11AB1A1E011CFD0L).putShort(0x18, (short) 0x3E).putShort(0x1A, (short) 4).putShort(0x1C, (short) 0xFFFE);
        out.putShort(0x1E, (short) 12).putShort(0x20, (short) 6).putInt(0x28, 1).putInt(0x2C, 1).putInt(0x30, 1);
        out.putInt(0x38, 4096).putInt(0x3C, 2).putInt(0x40, 1).putInt(0x44, end).putInt(0x48, 0);
        for (int i = 0; i < 109; i++)
            out.putInt(0x4C + 4 * i, i == 0 ? 0 : free);
        int[] fat = new int[1024];
        java.util.Arrays.fill(fat, free);
        fat[0] = 0xFFFFFFFD;
        fat[1] = fat[2] = fat[3] = end;
        for (int i = 0; i < docSectors; i++)
            fat[4 + i] = i + 1 < docSectors ? 5 + i : end;
        for (int i = 0; i < 1024; i++)
            out.putInt(sector + 4 * i, fat[i]);
        entry(out, 2 * sector, "Root Entry", 5, none, none, 1, 3, (user.length + 63) / 64 * 64);
        entry(out, 2 * sector + 128, "PowerPoint Document", 2, 2, none, none, 4, doc.length);
        entry(out, 2 * sector + 256, "Current User", 2, none, none, none, 0, user.length);
        int miniSectors = (user.length + 63) / 64;
        for (int i = 0; i < 1024; i++)
            out.putInt(3 * sector + 4 * i, i < miniSectors ? (i + 1 < miniSectors ? i + 1 : end) : free);
        System.arraycopy(user, 0, out.array(), 4 * sector, user.length);
        System.arraycopy(doc, 0, out.array(), 5 * sector, doc.length);
        try (OutputStream file = new FileOutputStream(to)) {
            file.write(out.array());
        }
    }

    static void entry(java.nio.ByteBuffer out, int at, String name, int type, int left, int right, int child, int start, long size) {
        for (int i = 0; i < name.length(); i++)
            out.putShort(at + 2 * i, (short) name.charAt(i));
        out.putShort(at + 0x40, (short) (2 * name.length() + 2)).put(at + 0x42, (byte) type).put(at + 0x43, (byte) 1);
        out.putInt(at + 0x44, left).putInt(at + 0x48, right).putInt(at + 0x4C, child).putInt(at + 0x74, start).putLong(at + 0x78, size);
    }

    static byte[] replace(byte[] bytes, String what, String with) {
        byte[] a = what.getBytes(StandardCharsets.UTF_16LE), b = with.getBytes(StandardCharsets.UTF_16LE);
        for (int i = 0; i + a.length <= bytes.length; i++)
            if (java.util.Arrays.equals(java.util.Arrays.copyOfRange(bytes, i, i + a.length), a))
                System.arraycopy(b, 0, bytes, i, b.length);
        return bytes;
    }

    static byte[] le(int n) {
        byte[] bytes = new byte[4];
        LittleEndian.putInt(bytes, 0, n);
        return bytes;
    }

    // What POI reads back: each shape's actions, from the records where PowerPoint looks for them.
    static void dump(String path) throws Exception {
        System.out.println(path);
        try (HSLFSlideShow show = new HSLFSlideShow(new java.io.FileInputStream(path))) {
            for (HSLFSlide slide : show.getSlides())
                dumpShapes("slide " + slide.getSlideNumber() + (slide.isHidden() ? " hidden" : ""), slide.getShapes());
            dumpShapes("master", show.getSlideMasters().get(0).getShapes());
        }
    }

    static void dumpShapes(String where, java.util.List<HSLFShape> shapes) {
        for (HSLFShape shape : shapes) {
            if (shape instanceof HSLFGroupShape)
                dumpShapes(where + " group", ((HSLFGroupShape) shape).getShapes());
            String text = shape instanceof HSLFTextShape ? ((HSLFTextShape) shape).getText() : "";
            InteractiveInfo info = shape.getClientDataRecord(0x0FF2);
            if (info != null)
                System.out.println("  " + where + " \"" + text + "\" " + describe(info));
            if (shape instanceof HSLFTextShape)
                for (HSLFHyperlink link : HSLFHyperlink.find((HSLFTextShape) shape))
                    System.out.println("  " + where + " text range " + link.getStartIndex() + "-" + link.getEndIndex() + " " + describe(link.getInfo()));
        }
    }

    static String describe(InteractiveInfo info) {
        InteractiveInfoAtom atom = info.getInteractiveInfoAtom();
        Record macro = info.findFirstOfType(0x0FBA);
        return "instance " + (info.getRecordType() == 0 ? 0 : infoInstance(info)) + " action " + atom.getAction() + " jump " + atom.getJump()
            + (macro == null ? "" : " instance " + (((CString) macro).getOptions() >> 4) + " [" + ((CString) macro).getText() + "]");
    }

    static int infoInstance(InteractiveInfo info) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        try {
            info.writeOut(out);
        } catch (java.io.IOException e) {
            throw new RuntimeException(e);
        }
        return (out.toByteArray()[0] & 0xF0) >> 4;
    }

    static void question(HSLFSlideShow show, String title, String program, String id, int correct,
                         String... answers) throws Exception {
        HSLFSlide slide = show.createSlide();
        text(slide, title);
        for (int i = 0; i < answers.length; i++) {
            char letter = (char) ('A' + i);
            HSLFAutoShape shape = button(slide, letter + ") " + answers[i], 100, 150 + i * 70);
            program(shape, kClick, program + " -Q=" + id + " " + letter + " " + (i == correct ? 1 : 0));
        }
    }

    static HSLFTextBox text(HSLFSlide slide, String text) {
        HSLFTextBox box = slide.createTextBox();
        box.setText(text);
        box.setAnchor(new Rectangle2D.Double(40, 40, 640, 80));
        return box;
    }

    // An action button, 200 x 50 points, labelled.
    static HSLFAutoShape button(HSLFSheet sheet, String label, int x, int y) {
        HSLFAutoShape shape = new HSLFAutoShape(ShapeType.ACTION_BUTTON_BLANK);
        shape.setAnchor(new Rectangle2D.Double(x, y, 200, 50));
        shape.setFillColor(new Color(0xDD, 0xE4, 0xF0));
        sheet.addShape(shape);
        shape.setText(label);
        return shape;
    }

    static void program(HSLFShape shape, int trigger, String commandLine) throws Exception {
        clientData(shape).addChild(info(trigger, 2, 0, commandLine));
    }

    static void jump(HSLFShape shape, int jump) throws Exception {
        clientData(shape).addChild(info(kClick, 3, jump, null));
    }

    // Turns a text range's hyperlink into a run-program action in place.
    static void runProgram(InteractiveInfo info, String commandLine) throws Exception {
        InteractiveInfoAtom atom = info.getInteractiveInfoAtom();
        atom.setAction(InteractiveInfoAtom.ACTION_RUNPROGRAM);
        atom.setJump(InteractiveInfoAtom.JUMP_NONE);
        atom.setHyperlinkID(0);
        atom.setHyperlinkType((byte) 0xFF);
        info.appendChildRecord(Record.buildRecordAtOffset(macroName(commandLine), 0));
    }

    // POI keeps a shape's client data to itself; the records go where PowerPoint writes them.
    static HSLFEscherClientDataRecord clientData(HSLFShape shape) throws Exception {
        Method method = HSLFShape.class.getDeclaredMethod("getClientData", boolean.class);
        method.setAccessible(true);
        return (HSLFEscherClientDataRecord) method.invoke(shape, true);
    }

    static Record info(int instance, int action, int jump, String commandLine) throws Exception {
        byte[] macro = commandLine == null ? new byte[0] : macroName(commandLine);
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        header(out, 0x0F | instance << 4, 0x0FF2, 24 + macro.length);
        header(out, 0, 0x0FF3, 16);
        out.write(new byte[] {0, 0, 0, 0, 0, 0, 0, 0, (byte) action, 0, (byte) jump, 0, (byte) 0xFF, 0, 0, 0});
        out.write(macro);
        return Record.buildRecordAtOffset(out.toByteArray(), 0);
    }

    static byte[] macroName(String commandLine) throws Exception {
        byte[] text = commandLine.getBytes(StandardCharsets.UTF_16LE);
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        header(out, 0x20, 0x0FBA, text.length);
        out.write(text);
        return out.toByteArray();
    }

    static void header(ByteArrayOutputStream out, int verInstance, int type, int length) {
        int[] bytes = {verInstance, verInstance >> 8, type, type >> 8, length, length >> 8, length >> 16, length >> 24};
        for (int b : bytes)
            out.write(b & 0xFF);
    }
}
